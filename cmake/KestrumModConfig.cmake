# The Kestrum property module for a host's CMake project, from the package's lib/cmake/KestrumMod:
#
#   find_package(KestrumMod 0.1 CONFIG REQUIRED)
#   target_link_libraries(myhost PRIVATE Kestrum::mod)
#
# Kestrum::mod is kestrummod64.dll through its import library, with the public header
# (#include <kestrummod.h>) and the framework's portable base, Kestrum::framework, which the header's
# CString needs. The library's file ($<TARGET_FILE:Kestrum::mod>) lies in the package's bin/, beside
# kestrum.exe and dbdata\, which a host ships with it ($<TARGET_FILE_DIR:Kestrum::mod>).

# The library exports C++ classes under GCC's decorated names and hands std::vector and CString across:
# only the same compiler and standard library can use it.
if(NOT (MINGW AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU"))
    set(KestrumMod_FOUND FALSE)
    set(KestrumMod_NOT_FOUND_MESSAGE "a host of kestrummod64.dll is built with mingw-w64 g++ (x86-64), \
as the library is; this project's C++ compiler is ${CMAKE_CXX_COMPILER_ID} for ${CMAKE_SYSTEM_NAME}")
    return()
endif()

get_filename_component(_kestrummod_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT TARGET Kestrum::mod)
    add_library(Kestrum::framework STATIC IMPORTED)
    set_target_properties(Kestrum::framework PROPERTIES
        IMPORTED_LOCATION "${_kestrummod_prefix}/lib/libkestrumframework.a"
        INTERFACE_INCLUDE_DIRECTORIES "${_kestrummod_prefix}/include")

    add_library(Kestrum::mod SHARED IMPORTED)
    set_target_properties(Kestrum::mod PROPERTIES
        IMPORTED_LOCATION "${_kestrummod_prefix}/bin/kestrummod64.dll"
        IMPORTED_IMPLIB "${_kestrummod_prefix}/lib/libkestrummod64.dll.a"
        INTERFACE_INCLUDE_DIRECTORIES "${_kestrummod_prefix}/include"
        INTERFACE_COMPILE_FEATURES cxx_std_20
        INTERFACE_LINK_LIBRARIES Kestrum::framework)
endif()

unset(_kestrummod_prefix)
