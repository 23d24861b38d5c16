// The library as a host links it: its export table, the module's virtual table in the order a host's
// compiler assumes, and its version record.
#include <windows.h>

#include <set>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "module/kestrummod.h"

namespace {

HMODULE Library() {
    return ::GetModuleHandleW(L"kestrummod64.dll");
}

size_t ExportedNameCount(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    return reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress)->NumberOfNames;
}

void* Export(const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(Library(), name));
}

TEST(Library, ExportsTheModuleInterfaceAndNothingElseWithTheTableInItsOrder) {
    ASSERT_EQ(Export("_Z17KESTRUMMOD_CreatePKw"), reinterpret_cast<void*>(&KESTRUMMOD_Create));
    // The module's virtual table past its offset and type entries: the two destructor entries, then
    // the operations in the order a host's compiler assumes.
    const char* const slots[] = {
        "_ZN15CKestrumModImplD1Ev",
        "_ZN15CKestrumModImplD0Ev",
        "_ZNK15CKestrumModImpl18GetExportInterfaceEv",
        "_ZN15CKestrumModImpl18SetExportInterfaceEP17IKestrumModExport",
        "_ZN15CKestrumModImpl5QueryEv",
        "_ZN15CKestrumModImpl13Graph_IsValidEv",
        "_ZN15CKestrumModImpl10Graph_HideEv",
        "_ZN15CKestrumModImpl10Graph_ShowEP6HWND__",
    };
    const auto* table = static_cast<void* const*>(Export("_ZTV15CKestrumModImpl")) + 2;
    for (size_t slot = 0; slot < std::size(slots); ++slot)
        EXPECT_EQ(table[slot], Export(slots[slot])) << slots[slot];

    std::set<std::string> expected = {
        "_Z17KESTRUMMOD_CreatePKw",
        "_Z18KESTRUMMOD_ReleaseP11CKestrumMod",
        "_Z24KESTRUMMOD_TagToDataTypePKw",
        "_Z27KESTRUMMOD_DataTypeToString19KESTRUMMOD_DATATYPE",
        "_Z24KESTRUMMOD_DataTypeToTag19KESTRUMMOD_DATATYPE",
        "_ZN15CKestrumModImpl15DeleteTempFilesEv",
        "_ZN15CKestrumModImpl15GetPropFilePathEv",
        "_ZN15CKestrumModImpl10IsImportedEv",
    };
    expected.insert(std::begin(slots), std::end(slots));
    // Each class: its constructor (complete and base object), copy constructor, destructors (deleting,
    // complete, base), copy assignment, virtual table and type information.
    for (const auto& [name, constructor] :
         {std::pair{"12CMatPropData", "Ev"}, std::pair{"9CMatProps", "Ev"}, std::pair{"11CKestrumMod", "Ev"},
          std::pair{"15CKestrumModImpl", "EPKw"}}) {
        for (const std::string member : {"C1", "C2"}) {
            expected.insert("_ZN" + std::string(name) + member + constructor);
            expected.insert("_ZN" + std::string(name) + member + "ERKS_");
        }
        for (const char* member : {"D0Ev", "D1Ev", "D2Ev", "aSERKS_"})
            expected.insert("_ZN" + std::string(name) + member);
        expected.insert("_ZTV" + std::string(name));
        expected.insert("_ZTI" + std::string(name));
    }
    // Every name expected is there, and nothing else.
    for (const std::string& name : expected)
        EXPECT_NE(Export(name.c_str()), nullptr) << name;
    EXPECT_EQ(ExportedNameCount(Library()), expected.size());
}

TEST(Library, VersionRecordNamesTheFile) {
    wchar_t path[2048];
    ASSERT_GT(::GetModuleFileNameW(Library(), path, 2048), 0u);
    DWORD ignored = 0;
    std::string record(::GetFileVersionInfoSizeW(path, &ignored), '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    wchar_t* description = nullptr;
    UINT size = 0;
    ASSERT_TRUE(!record.empty() && ::GetFileVersionInfoW(path, 0, DWORD(record.size()), record.data()) &&
                ::VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) &&
                ::VerQueryValueW(record.data(), L"\\StringFileInfo\\040904B0\\FileDescription",
                                 reinterpret_cast<void**>(&description), &size));
    const DWORD version = MAKELONG(KESTRUM_VERSION_MINOR, KESTRUM_VERSION_MAJOR);
    EXPECT_EQ(
        std::tuple(fixed->dwFileVersionMS, fixed->dwProductVersionMS, fixed->dwFileType,
                   std::wstring(description)),
        std::tuple(version, version, DWORD{VFT_DLL}, std::wstring(L"Kestrum material property module")));
}

} // namespace
