// A host built against the installed package alone: the library's version record against the
// package's version, the input dialog's default alloy calculated by the engine beside the library
// with its data, the tables read through CMatProps' members, the job folder removed, the module
// released.
#include <windows.h>

#include <filesystem>
#include <string>
#include <tuple>

#include <gtest/gtest.h>
#include <kestrummod.h>

#include "win32/jobtemp.h"
#include "win32/uiharness.h"

namespace {

TEST(Package, TheLibraryOfThePackagesVersionCalculatesAndHandsOverItsTables) {
    wchar_t path[2048];
    ASSERT_GT(::GetModuleFileNameW(::GetModuleHandleW(L"kestrummod64.dll"), path, 2048), 0u);
    std::string record(::GetFileVersionInfoSizeW(path, nullptr), '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(!record.empty() && ::GetFileVersionInfoW(path, 0, DWORD(record.size()), record.data()) &&
                ::VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(std::tuple(fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwFileType),
              std::tuple(DWORD(MAKELONG(KESTRUM_MINOR, KESTRUM_MAJOR)), DWORD(MAKELONG(0, KESTRUM_PATCH)),
                         DWORD{VFT_DLL}));

    // Aluminium from 700 C down, as the dialog opens; the tables hold ascending temperatures.
    CJobTemp jobTemp(ProgramFolder() + L"temp");
    CKestrumMod* module = KESTRUMMOD_Create(ProgramFolder().c_str());
    ASSERT_EQ(RunModalScript([&] { return INT_PTR{module->Query()}; },
                             [](CUiDriver& ui) { EXPECT_TRUE(ui.WaitForDialog() && RunCalculation(ui)); }),
              1);
    const CMatPropData* density = nullptr;
    for (const CMatPropData& series : module->m_series)
        density = series.m_dataType == KESTRUMMOD_TagToDataType(L"D-TOTAL") ? &series : density;
    ASSERT_NE(density, nullptr);
    EXPECT_EQ(std::tuple(KESTRUMMOD_DataTypeToString(density->m_dataType).Str(), density->m_xDataType,
                         density->m_points.back().x),
              std::tuple(L"Density alloy", KESTRUMMOD_TagToDataType(L"T(C)"), 700.0f));
    EXPECT_GT(density->m_points.front().y, density->m_points.back().y) << "the solid is the denser";

    const std::filesystem::path result = static_cast<CKestrumModImpl*>(module)->GetPropFilePath();
    EXPECT_EQ(result.parent_path().parent_path(), jobTemp.JobParent());
    static_cast<CKestrumModImpl*>(module)->DeleteTempFiles();
    EXPECT_FALSE(std::filesystem::exists(result.parent_path()));
    KESTRUMMOD_Release(module);
}

} // namespace
