// A library that brings only resources, standing in for the module in the resource chain tests.
#include <windows.h>

extern "C" __declspec(dllexport) int KestrumResourceTestLibrary() {
    return 1;
}
