// The engine run on the library: the result appears in the job folder and reads back; every input
// problem ends with 2 and a reason. And the built engine's command-line forms, run as a child.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "calc/catalogue.h"
#include "calc/job.h"
#include "engine/engine.h"
#include "framework/utf.h"
#include "results/resultfile.h"
#include "support/testfiles.h"

namespace {

const std::wstring kEngine = std::filesystem::path(KESTRUM_ENGINE_PATH).wstring();
const std::filesystem::path kDataDir = std::filesystem::path(KESTRUM_DBDATA_DIR);
const int kAl = 0, kMg = 7, kSi = 12, kPt = 34;

// What a run wrote, and how it ended.
struct Outcome : IEngineOutput {
    int exitCode = -1;
    std::wstring output;
    std::wstring lastLine; // the reason of a refusal
    void Line(const std::wstring& text) override {
        output += text + L'\n';
        lastLine = text;
    }
};

Outcome RunInput(const std::wstring& input) {
    Outcome outcome;
    outcome.exitCode = RunEngine(input, outcome);
    return outcome;
}

void SetFolder(wchar_t (&field)[kMatPathChars], const std::filesystem::path& folder) {
    const std::wstring text = folder.wstring();
    std::fill(std::begin(field), std::end(field), L'\0');
    text.copy(field, text.size());
}

// A preset as the module hands it to the engine, with the data folder and the job folder.
MatCondition Preset(const wchar_t* name, const TempDir& job) {
    MatCondition rec;
    EXPECT_EQ(
        1,
        LoadMatCondition((std::filesystem::path(KESTRUM_PRESET_DIR) / name).wstring().c_str(), &rec).status);
    SetFolder(rec.dataPath, kDataDir / L"");
    SetFolder(rec.resPath, job.Path() / L"");
    return rec;
}

Outcome RunJob(const TempDir& job, const MatCondition& rec) {
    const std::wstring input = job.File(kJobInputFileName);
    EXPECT_EQ(1, SaveMatCondition(input.c_str(), &rec));
    return RunInput(input);
}

} // namespace

// Titanium's range (2100.15 K to 1400.15 K by 5 K) misses a whole number of steps in single precision:
// the end row is still written. The folders are given without trailing separators.
TEST(EngineRunTest, WritesResultsThatReadBackWithSolidusLiquidusAndGraphiteColumns) {
    TempDir job;
    MatCondition rec = Preset(L"ti6al4v.vjp", job);
    SetFolder(rec.dataPath, kDataDir);
    SetFolder(rec.resPath, job.Path());
    const Outcome outcome = RunJob(job, rec);
    ASSERT_EQ(0, outcome.exitCode) << WideToUtf8(outcome.output);
    for (const wchar_t* line :
         {L"reading ", L"\nLiquidus 1", L"\n  50 % (", L"\n  100 % (", L"\nResult written to "})
        EXPECT_NE(std::wstring::npos, outcome.output.find(line)) << WideToUtf8(line);
    EXPECT_EQ(std::wstring::npos, outcome.output.find(L"Warning")); // it starts above its liquidus

    CMatProps set;
    ASSERT_EQ(1, ReadResultFile(job.File(kJobResultFileName).c_str(), set, kFormatEngine).status);
    for (const CMatPropData& series : set.m_series)
        EXPECT_NE(JDT_UNKNOWN, series.m_dataType) << WideToUtf8(series.m_name);
    GraphPoint solidus{}, liquidus{};
    ASSERT_TRUE(FindSolidusPoint(set, solidus) == 1 && FindLiquidusPoint(set, liquidus) == 1);
    // Pure titanium melts at 1668 C.
    EXPECT_TRUE(1600.0f < solidus.x && solidus.x < liquidus.x && liquidus.x < 1668.0f) << liquidus.x;
    const CMatPropData* fraction = FindSeries(set, JDT_WT_LIQUID);
    // 141 rows of the step and five around each of the liquidus and the end of solidification.
    ASSERT_EQ(151u, fraction->m_points.size());
    EXPECT_NEAR(1127.0, fraction->m_points.front().x, 1e-3);
    // No liquid density below the solidus.
    EXPECT_LT(FindSeries(set, JDT_D_LIQUID)->m_points.size(), 151u);

    // Cast iron writes the columns of its graphite type.
    TempDir iron;
    ASSERT_EQ(0, RunJob(iron, Preset(L"ductile-iron-gjs400.vjp", iron)).exitCode);
    const std::string text = ReadBytes(iron.File(kJobResultFileName));
    EXPECT_EQ(text.substr(0, text.find('\r')),
              "T(C)\tWT-LIQUID\tD-LIQUID\tD-TOTAL\tMV-LIQUID\tMV-TOTAL\tCP-WT\tH-WT\tLH-WT\tTC-TOTAL\tTC-"
              "SPHEROIDAL\t"
              "VISC-LIQUID\tVISC-TOTAL\tYM-TOTAL\tYM-SPHEROIDAL\tPR-TOTAL\tBM-TOTAL\tSM-TOTAL");
}

TEST(EngineRunTest, InputProblemsEndWithTwoAndAReason) {
    using Change = void (*)(MatCondition&, const TempDir&);
    const std::pair<Change, const wchar_t*> cases[] = {
        {[](auto& r, auto&) { r.materialType = 11; }, L"material family 11 is outside 0 to 10"},
        {[](auto& r, auto&) { r.materialType = 3; }, L"(Stainless Steel) has no data"},
        {[](auto& r, auto&) { r.compositions[kAl].base = 0; }, L"has no base element"},
        {[](auto& r, auto&) { r.compositions[kSi].base = 1; }, L"has 2 base elements"},
        {[](auto& r, auto&) { r.compositions[kSi].compo += 0.02f; }, L"sums to 100.02 %"},
        {[](auto& r, auto&) { r.compositions[kMg].compo = -1; }, L"amount of Mg is negative"},
        {[](auto& r, auto&) { r.tempEnd = r.tempStart; }, L"is not above the end"},
        {[](auto& r, auto&) { r.tempStep = 0; }, L"step (0 K) is not negative"},
        {[](auto& r, auto&) { r.tempStep = -1e-4f; }, L"give more than 1000000 temperatures"},
        {[](auto& r, auto&) { r.materialType = kCastIronFamily; }, L"needs a graphite type"},
        {[](auto& r, auto&) { std::swap(r.compositions[kAl].base, r.compositions[kSi].base); },
         L"base element Si is not the family's base Al"},
        {[](auto& r, auto&) { std::swap(r.compositions[kMg], r.compositions[kPt]); },
         L"no solute row for Pt"},
        {[](auto& r, auto& job) { SetFolder(r.dataPath, job.Path() / L"none" / L""); },
         L"elements.csv: cannot be opened"},
        {[](auto& r, auto& job) { SetFolder(r.resPath, job.Path() / L"gone" / L""); },
         L"cannot write the result file"},
    };
    for (const auto& [change, reason] : cases) {
        SCOPED_TRACE(WideToUtf8(reason));
        TempDir job;
        MatCondition rec = Preset(L"alsi7mg0.3.vjp", job);
        change(rec, job);
        const Outcome outcome = RunJob(job, rec);
        const std::wstring& line = outcome.lastLine;
        EXPECT_TRUE(outcome.exitCode == 2 && line.rfind(L"Error: ", 0) == 0 && line.find(reason) != line.npos)
            << outcome.exitCode << ' ' << WideToUtf8(line);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(job.File(kJobResultFileName))))
            << WideToUtf8(outcome.output);
    }
    // Documents that do not load are named.
    TempDir job;
    WriteBytes(job.File(L"broken.vjp"), "<Vantrel><JMapProMaterial");
    for (const std::wstring name : {L"broken.vjp", L"absent.vjp"}) {
        const Outcome outcome = RunInput(job.File(name));
        EXPECT_EQ(2, outcome.exitCode);
        EXPECT_NE(std::wstring::npos, outcome.lastLine.find(name + L" is not a material condition document"))
            << WideToUtf8(outcome.output);
    }
}

// Outside the range the model was checked on an amount is calculated after one warning line per
// element, which reads back with the element, its amount and range; beyond the element's limit, or
// where the base no longer leads, the run is refused and names the element.
TEST(EngineRunTest, CompositionRangesWarnOrRefuse) {
    const int kZn = 17, kCu = 4;
    const auto withSilicon = [](float silicon) {
        return [silicon](MatCondition& rec) {
            rec.compositions[kAl].compo -= silicon - rec.compositions[kSi].compo;
            rec.compositions[kSi].compo = silicon;
        };
    };
    TempDir job;
    MatCondition rec = Preset(L"alsi7mg0.3.vjp", job);
    withSilicon(20)(rec);
    const Outcome warned = RunJob(job, rec);
    ASSERT_EQ(0, warned.exitCode) << WideToUtf8(warned.output);
    size_t lines = 0;
    RangeWarning warning;
    for (size_t at = warned.output.find(L"\nWarning: "); at != std::wstring::npos;
         at = warned.output.find(L"\nWarning: ", at + 1), ++lines)
        EXPECT_TRUE(ParseRangeWarning(
            warned.output.substr(at + 1, warned.output.find(L'\n', at + 1) - at - 1), &warning));
    EXPECT_EQ(1u, lines) << WideToUtf8(warned.output);
    EXPECT_TRUE(warning.element == L"Si" && std::fabs(warning.amount - 20) < 1e-4 && warning.low == 0 &&
                std::fabs(warning.high - 18) < 1e-6 && warning.family == L"Aluminium Alloy")
        << WideToUtf8(FormatRangeWarning(warning));

    const std::pair<std::function<void(MatCondition&)>, const wchar_t*> refused[] = {
        {withSilicon(30), L"Si 30 wt% lies above 25 wt%"},
        {withSilicon(95), L"Si 95 wt% lies above 25 wt%"},
        {[&](MatCondition& r) {
             withSilicon(0)(r);
             r.compositions[kZn] = MatCompoEntry{0, 1, 45};
             r.compositions[kCu] = MatCompoEntry{0, 1, 20};
             r.compositions[kAl].compo -= 65;
         },
         L"Zn 45 wt% is more than the base Al"},
    };
    for (const auto& [change, reason] : refused) {
        MatCondition changed = Preset(L"alsi7mg0.3.vjp", job);
        change(changed);
        const Outcome outcome = RunJob(job, changed);
        EXPECT_TRUE(outcome.exitCode == 2 &&
                    outcome.lastLine.rfind(L"Error: " + std::wstring(reason), 0) == 0)
            << outcome.exitCode << ' ' << WideToUtf8(outcome.output);
    }

    // Only the fixed form reads back.
    for (const wchar_t* line :
         {L"Warning: Xx 20 wt% lies outside 0 to 18 wt%, the range the model was checked on for Aluminium "
          L"Alloy",
          L"Warning: Si 2o wt% lies outside 0 to 18 wt%, the range the model was checked on for Aluminium "
          L"Alloy",
          L"Warning: Si 20 wt% lies outside 0 to 18 wt%, the range the model was checked on for ",
          L"Warning: the start temperature 600.0 C lies below the liquidus 614.8 C: the result has no "
          L"liquidus"})
        EXPECT_FALSE(ParseRangeWarning(line, &warning)) << WideToUtf8(line);
}

#ifdef _WIN32
#include <process.h>

// At a Windows prompt the program's name comes first; the module passes the path alone.
TEST(EngineRunTest, PromptFormTakesTheSecondToken) {
    TempDir job;
    const std::wstring input = job.File(kJobInputFileName);
    const MatCondition rec = Preset(L"sac305.vjp", job);
    ASSERT_EQ(1, SaveMatCondition(input.c_str(), &rec));
    EXPECT_EQ(0, _wspawnl(_P_WAIT, kEngine.c_str(), L"kestrum.exe",
                          GetEngineCommandLine(input.c_str()).Str().c_str(), nullptr));
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(job.File(kJobResultFileName))));
    EXPECT_EQ(2, _wspawnl(_P_WAIT, kEngine.c_str(), L"kestrum.exe", nullptr));
}
#else
#include <sys/wait.h>

// Natively the path is the only argument: none, an empty one or two are refused with 2.
TEST(EngineRunTest, NativeArgumentForms) {
    for (const std::string arguments : {"", " ''", " a.vjp b.vjp"}) {
        const int status = std::system((WideToUtf8(kEngine) + arguments + " >/dev/null").c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << arguments << ": " << status;
    }
}
#endif
