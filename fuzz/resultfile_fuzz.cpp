// ReadResultFile on arbitrary bytes, in both formats: the first byte's low bit picks JMatPro output
// (1) or the engine's format (0), the rest is the file.
#include <cstddef>
#include <cstdint>

#include "fuzzfile.h"
#include "results/resultfile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceDebugOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int format = (data[0] & 1) ? kFormatJMatPro : kFormatEngine;
    WriteFuzzFile(data + 1, size - 1);
    CMatProps set;
    ReadResultFile(FuzzFilePath().c_str(), set, format);
    return 0;
}
