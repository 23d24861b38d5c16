// The console window over a real child process: the runner's test child lies beside this program as
// kestrum.exe and reads its script from "child.script" in the job folder.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

#include "calc/consoledlg.h"
#include "calc/job.h"
#include "calc/runcalc.h"
#include "framework/reschain.h"
#include "res/resource.h"
#include "support/conditions.h"
#include "support/testfiles.h"
#include "win32/uiharness.h"

namespace {

// The program stands in for the module: its resources are in the chain, as the library's are once it
// is loaded.
const bool g_registered = (RegisterResourceModule(::GetModuleHandleW(nullptr)), true);

constexpr int kLong = 60000;

// The output shown, with "\n" line ends whichever the edit uses.
std::wstring Output(CUiDriver& ui) {
    std::wstring text = ui.Text(IDC_CONSOLE_OUTPUT);
    text.erase(std::remove(text.begin(), text.end(), L'\r'), text.end());
    return text;
}

bool Shows(CUiDriver& ui, const std::wstring& part) {
    return ui.WaitFor([&] { return Output(ui).find(part) != std::wstring::npos; }, kLong);
}

// Waits until "Close" is enabled, the run being over, and clicks it; returns the output shown then.
std::wstring CloseAfterTheEnd(CUiDriver& ui) {
    EXPECT_TRUE(ui.WaitFor([&] { return ui.Enabled(IDOK); }, kLong));
    const std::wstring text = Output(ui);
    EXPECT_TRUE(ui.Click(IDOK));
    return text;
}

// Which of Close, Start, Terminate, Pause and Stop are enabled and whether Stop shows, as "1" or "0" each.
std::string Buttons(CUiDriver& ui) {
    std::string states;
    for (const int id : {IDOK, IDC_CONSOLE_START, IDC_CONSOLE_TERMINATE, IDC_CONSOLE_PAUSE, IDC_CONSOLE_STOP})
        states += ui.Enabled(id) ? '1' : '0';
    return states + (ui.Visible(IDC_CONSOLE_STOP) ? '1' : '0');
}

class ConsoleWindow : public ::testing::Test {
protected:
    // The job folder, with a trailing separator as job folders have.
    std::wstring JobFolder() const { return m_temp.File(L"job") + L"\\"; }
    MatCondition Condition() const { return AlSiMgCondition(JobFolder().c_str()); }
    // Creates the job folder with the child's script in it.
    void PrepareJob(const std::string& script) {
        std::filesystem::create_directory(m_temp.File(L"job"));
        WriteBytes(JobFolder() + L"child.script", script);
    }
    bool JobFolderExists() const { return std::filesystem::exists(m_temp.File(L"job")); }

    // A whole run of the child with `script`, closed with "Close" once it has ended (with `closeBox`,
    // with the close box): the dialog's result, the exit code and the output.
    std::tuple<INT_PTR, int, std::wstring> RunToTheEnd(const std::string& script, bool closeBox = false) {
        PrepareJob(script);
        CConsoleDlg console(Condition());
        std::wstring output;
        const INT_PTR result =
            RunModalScript([&] { return console.DoModal(); },
                           [&](CUiDriver& ui) {
                               ASSERT_TRUE(ui.WaitForDialog());
                               if (!closeBox)
                                   output = CloseAfterTheEnd(ui);
                               else if (ui.WaitFor([&] { return ui.Enabled(IDOK); }, kLong))
                                   ui.PressCloseBox();
                           });
        return {result, console.GetExitCode(), output};
    }

    TempDir m_temp;
};

// Escape and Enter do nothing, neither while the engine runs nor afterwards, when "Close" is the default
// button and Enter would press it without the key filter.
TEST_F(ConsoleWindow, ShowsTheOutputWhileTheEngineRunsAndClosesWithTheResultAfterExitCodeZero) {
    PrepareJob("out:started;sleep:1500;out:last line;exit:0");
    CConsoleDlg console(Condition());
    const INT_PTR result = RunModalScript(
        [&] { return console.DoModal(); },
        [&](CUiDriver& ui) {
            ASSERT_TRUE(ui.WaitForDialog());
            ASSERT_TRUE(Shows(ui, L"started\n"));
            wchar_t caption[64] = {};
            ::GetWindowTextW(ui.Dialog(), caption, 64);
            EXPECT_STREQ(caption, L"Material Property Calculator");
            EXPECT_EQ(Output(ui), L"started\n") << "the engine has not ended yet";
            EXPECT_EQ(Buttons(ui), "001100");
            EXPECT_TRUE(ui.Screenshot(L"console_running"));
            ui.PressKey(VK_ESCAPE);
            ui.PressKey(VK_RETURN);
            ASSERT_TRUE(ui.WaitFor([&] { return ui.Enabled(IDOK); }, kLong));
            ui.PressKey(VK_RETURN);
            ui.PressKey(VK_ESCAPE);
            EXPECT_TRUE(ui.Open());
            EXPECT_EQ(Buttons(ui), "100000");
            EXPECT_TRUE(CloseAfterTheEnd(ui).starts_with(L"started\nlast line\nExit Code: 0\n"));
        });
    EXPECT_EQ(std::tuple(result, console.GetExitCode()), std::tuple(IDOK, 0));
    EXPECT_EQ(console.GetResultPath(), CString((JobFolder() + L"vuzaziza.out").c_str()));
}

TEST_F(ConsoleWindow, AnotherExitCodeCancelsALongOutputIsKeptWholeAndTheEngineGetsTheInputPath) {
    const auto [failed, code, output] = RunToTheEnd("err:no convergence;exit:7");
    EXPECT_EQ(std::tuple(failed, code), std::tuple(IDCANCEL, 7));
    EXPECT_NE(output.find(L"no convergence"), std::wstring::npos);
    const auto [floodResult, floodCode, flood] = RunToTheEnd("flood:40000;exit:0");
    EXPECT_EQ(floodResult, IDOK);
    EXPECT_GE(flood.size(), 40000u + std::size(L"Exit Code: 0"));
    EXPECT_NE(flood.find(L"Exit Code: 0"), std::wstring::npos);
    // The close box cancels even after a successful run.
    EXPECT_EQ(RunToTheEnd("exit:0", true), std::tuple(IDCANCEL, 0, L""));

    // The input document is written, and the command line is its path in double quotes and nothing else.
    const auto [plainResult, plainCode, commandLine] = RunToTheEnd("cmdline;exit:0");
    const std::wstring input = JobFolder() + L"input.vjp";
    EXPECT_EQ(std::tuple(plainResult, plainCode), std::tuple(IDOK, 0));
    EXPECT_TRUE(commandLine.starts_with(L"\"" + input + L"\"\n")) << commandLine;
    MatCondition loaded;
    ASSERT_EQ(LoadMatCondition(input.c_str(), &loaded), 1);
    EXPECT_TRUE(loaded == Condition());
}

// A second try stops the same way.
TEST_F(ConsoleWindow, StopsAtTheInputDocumentWhenTheJobFolderIsMissing) {
    CConsoleDlg console(Condition()); // never created
    const INT_PTR result = RunModalScript([&] { return console.DoModal(); },
                                          [&](CUiDriver& ui) {
                                              ASSERT_TRUE(ui.WaitForDialog());
                                              ui.Sync();
                                              EXPECT_EQ(Buttons(ui), "110000");
                                              EXPECT_TRUE(ui.Click(IDC_CONSOLE_START));
                                              EXPECT_EQ(Buttons(ui), "110000");
                                              EXPECT_EQ(CloseAfterTheEnd(ui), L"");
                                          });
    EXPECT_EQ(std::tuple(result, JobFolderExists(), console.GetRunnerState()),
              std::tuple(IDCANCEL, false, CConProc::Idle));
}

// An engine that cannot be started: no exit ever comes, so "Close" is enabled again as soon as the
// runner reports the failure, without "Terminate" first.
class CConsoleWithoutEngine : public CConsoleDlg {
public:
    CConsoleWithoutEngine(const MatCondition& rec, std::wstring engine)
        : CConsoleDlg(rec), m_engine(std::move(engine)) {}

protected:
    int LocateEngine(CString* path) override {
        *path = CString(m_engine.c_str());
        return 1;
    }

private:
    std::wstring m_engine;
};

TEST_F(ConsoleWindow, AnEngineThatCannotBeStartedLeavesCloseAvailable) {
    PrepareJob("exit:0");
    CConsoleWithoutEngine console(Condition(), m_temp.File(L"nowhere\\kestrum.exe"));
    const INT_PTR result =
        RunModalScript([&] { return console.DoModal(); },
                       [&](CUiDriver& ui) {
                           ASSERT_TRUE(ui.WaitForDialog());
                           ASSERT_TRUE(ui.WaitFor([&] { return ui.Enabled(IDOK); }, kLong))
                               << "Close stayed disabled";
                           EXPECT_FALSE(ui.Enabled(IDC_CONSOLE_START));
                           EXPECT_NE(CloseAfterTheEnd(ui).find(L"CreateProcess"), std::wstring::npos);
                       });
    EXPECT_EQ(std::tuple(result, console.GetRunnerState()), std::tuple(IDCANCEL, CConProc::Idle));
}

// The host has other resources current; the console's must be found in the module all the same. No
// script in the folder the job step created: the child ends at once with exit code 0.
TEST_F(ConsoleWindow, TheJobStepKeepsTheFolderOfASuccessfulRunWithTheModulesResourcesCurrent) {
    const HINSTANCE host = ::GetModuleHandleW(L"kernel32.dll");
    SetResourceHandle(host);
    HINSTANCE during = nullptr;
    CString resultPath;
    const int result = RunModalScript([&] { return RunCalculationJob(Condition(), &resultPath); },
                                      [&](CUiDriver& ui) {
                                          ASSERT_TRUE(ui.WaitForDialog());
                                          during = GetResourceHandle();
                                          CloseAfterTheEnd(ui);
                                      });
    const HINSTANCE after = GetResourceHandle();
    SetResourceHandle(nullptr);
    EXPECT_EQ(std::tuple(during, after, result), std::tuple(GetCodeModuleHandle(), host, IDOK));
    EXPECT_EQ(resultPath, CString((JobFolder() + L"vuzaziza.out").c_str()));
    EXPECT_TRUE(std::filesystem::exists(JobFolder() + L"input.vjp"));
}

// The close box does nothing while the engine runs or is paused; each press of the pause button acts
// on the runner's state, so its caption alternates only while pausing and resuming work. After
// "Terminate" and "Close" the job step removes the folder and everything in it.
TEST_F(ConsoleWindow, TheJobStepRemovesTheFolderAfterTerminateAndClose) {
    PrepareJob("out:started;sleep:30000");
    CString resultPath(L"untouched");
    const int result =
        RunModalScript([&] { return RunCalculationJob(Condition(), &resultPath); },
                       [&](CUiDriver& ui) {
                           ASSERT_TRUE(ui.WaitForDialog());
                           ASSERT_TRUE(Shows(ui, L"started"));
                           for (const wchar_t* caption : {L"Resume", L"Pause", L"Resume", L"Pause"}) {
                               ui.PressCloseBox();
                               EXPECT_TRUE(ui.Click(IDC_CONSOLE_PAUSE));
                               EXPECT_EQ(ui.Text(IDC_CONSOLE_PAUSE), caption);
                           }
                           EXPECT_TRUE(ui.Click(IDC_CONSOLE_TERMINATE));
                           EXPECT_TRUE(Shows(ui, L"Exit Code: 3"));
                           EXPECT_EQ(Buttons(ui), "100000");
                           EXPECT_TRUE(ui.RepeatUntilClosed([&] { ui.Click(IDOK); }));
                       });
    EXPECT_EQ(std::tuple(result, resultPath, JobFolderExists()), std::tuple(0, CString(L"untouched"), false));
}

} // namespace
