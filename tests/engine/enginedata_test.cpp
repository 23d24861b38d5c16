// The data loader: a malformed file is refused with its name and the line at fault. And the Windows
// command-line rule.
#include <filesystem>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "engine/arguments.h"
#include "engine/enginedata.h"
#include "framework/utf.h"
#include "support/testfiles.h"

namespace {

const std::wstring kDataDir = std::filesystem::path(KESTRUM_DBDATA_DIR).wstring() + L"/";

} // namespace

TEST(EngineDataTest, MalformedFilesAreRefusedWithFileAndLine) {
    const std::string heading =
        "symbol,molar_mass,melting_K,density_solid,density_liquid,expansion_e6,cp_solid,"
        "cp_liquid,latent_heat,tc_solid,tc_liquid,viscosity,activation_kJ,young,poisson\n";
    const std::string al = "Al,26.98,933.47,2.70,2.375,23.1,0.897,1.18,397,237,91,1.30,16.5,70,0.35\n";
    const std::string family = "# comment\n\nbase,Al\nterminal_C,555\n";
    // An element file (else a family file), its text, the line at fault and the reason.
    const std::tuple<bool, std::string, int, const wchar_t*> cases[] = {
        {true, heading + al + "Si,28,1687,2.3,2.5,2.6,0.7,0.9,1787x,149,56,0.9,12,130,0.22\n", 3,
         L"field 9 (\"1787x\") is not a number"},
        {true, heading + "# note\nAl,26.98,933.47\n", 3, L"expected 15 fields, found 3"},
        {true, heading + al + al, 3, L"a second row for Al"},
        {true, "symbol,mass\n" + al, 1, L"the heading must read"},
        {true, heading + "Al,0,933,2.7,2.4,23,0.9,1.2,397,237,91,1.3,16,70,0.35\n", 2, L"must be above 0"},
        {false, family + "solvent,Si,-6,0.1,0.1\n", 5, L"unknown line kind \"solvent\""},
        {false, family + "solute,Xx,-6.6,0.13,0.1\n", 5, L"unknown element \"Xx\""},
        {false, family + "solute,Si,-6.6,0,0.1\n", 5, L"partition coefficient must be above 0"},
        {false, "terminal_C,555\n", 0, L"no \"base\" line"},
        {false, family + "solute,Si,-6.6,0.13,0.1,density\n", 5, L"field 6 (\"density\") is not NAME=NUMBER"},
        {false, family + "solute,Si,-6.6,0.13,0.1,density=-1\n", 5, L"is not NAME=NUMBER with a positive"},
        {false, family + "solute,Si,-6.6,0.13,0.1,volume=1\n", 5, L"unknown field \"volume\""},
        {false, family + "terminal,577\n", 5, L"\"terminal\" takes a temperature"},
        {false, family + "terminal,577,Si\n", 5, L"field 3 (\"Si\") is not SYMBOL=NUMBER"},
        {false, family + "branch,Xx,380,Si=15\n", 5, L"unknown element \"Xx\""},
    };
    TempDir dir;
    for (const auto& [element, text, line, reason] : cases) {
        SCOPED_TRACE(WideToUtf8(reason));
        const std::wstring path = dir.File(L"data.csv");
        WriteBytes(path, text);
        DataError error;
        ElementSet elements;
        FamilyData data;
        EXPECT_FALSE(element ? LoadElementFile(path, elements, error) : LoadFamilyFile(path, data, error));
        EXPECT_EQ(line, error.line);
        EXPECT_NE(std::wstring::npos, error.reason.find(reason)) << WideToUtf8(error.reason);
        EXPECT_EQ(line > 0 ? path + L", line " + std::to_wstring(line) + L": " + error.reason
                           : path + L": " + error.reason,
                  error.Describe());
        EXPECT_EQ(-1, data.base); // untouched
    }
    FamilyData data;
    DataError error;
    EXPECT_FALSE(LoadFamilyFile(dir.File(L"absent.csv"), data, error));
    EXPECT_EQ(dir.File(L"absent.csv") + L": cannot be opened", error.Describe());
    // Comments, blank lines, blanks around fields and CR LF are fine.
    WriteBytes(dir.File(L"good.csv"), "# c\r\n\r\nbase , Al\r\nterminal_C,555.5\r\nsolute,Si,-6.6,0.13,1e-1, "
                                      "solubility=0 ,density=2.5\r\nterminal,577,Si=0.5\r\nbranch,Si,381.7,Si=15.5\r\n");
    ASSERT_TRUE(LoadFamilyFile(dir.File(L"good.csv"), data, error)) << WideToUtf8(error.Describe());
    EXPECT_DOUBLE_EQ(555.5 + 273.15, data.terminal);
    EXPECT_DOUBLE_EQ(0.1, data.Find(12)->conductivityDrop);
    // The optional fields, eutectics and liquidus branches.
    EXPECT_DOUBLE_EQ(0.0, data.Find(12)->solubility);
    EXPECT_DOUBLE_EQ(2.5, data.Find(12)->density);
    EXPECT_DOUBLE_EQ(0.0, data.Find(12)->liquidDensity);
    ASSERT_EQ(1u, data.terminals.size());
    EXPECT_DOUBLE_EQ(577 + 273.15, data.terminals[0].kelvin);
    EXPECT_EQ((ElementAmounts{{12, 0.5}}), data.terminals[0].minimum);
    ASSERT_EQ(1u, data.branches.size());
    EXPECT_EQ(12, data.branches[0].primary);
    EXPECT_DOUBLE_EQ(381.7 + 273.15, data.branches[0].reference);
}

// A single token that names a document, not the program, and the refusals. (The module's form and a
// prompt's form run the built engine in engine_run_test.cpp and the Windows tests.)
TEST(EngineArgumentsTest, WindowsCommandLineRule) {
    const std::wstring self = L"C:\\Program Files\\Kestrum\\kestrum.exe";
    std::wstring path;
    std::wstring problem;
    EXPECT_TRUE(SelectInputPath({L"kestrum.vjp"}, self, path, problem)); // a document, not the program
    for (const wchar_t* typed : {L"kestrum", L"KESTRUM.EXE", self.c_str()}) {
        EXPECT_FALSE(SelectInputPath({typed}, self, path, problem)) << WideToUtf8(typed);
        EXPECT_EQ(0u, problem.find(L"no input document")) << WideToUtf8(problem);
    }
    EXPECT_FALSE(SelectInputPath({}, self, path, problem));
    EXPECT_FALSE(SelectInputPath({L"kestrum.exe", L""}, self, path, problem));
    EXPECT_FALSE(SelectInputPath({L"kestrum.exe", L"a.vjp", L"b.vjp"}, self, path, problem));
    EXPECT_EQ(0u, problem.find(L"too many arguments")) << WideToUtf8(problem);
}
