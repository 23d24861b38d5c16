// The console window over a real child process: the runner's test child lies beside this program as
// kestrum.exe and reads its script from "child.script" in the job folder.
#include <windows.h>

#include <cwchar>
#include <filesystem>
#include <string>

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

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

// Waits until "Close" is enabled, the run being over, and clicks it; returns the output shown then.
std::wstring CloseAfterTheEnd(CUiDriver& ui) {
    EXPECT_TRUE(ui.WaitFor([&] { return ui.Enabled(IDOK); }, kLong));
    const std::wstring text = ui.Text(IDC_CONSOLE_OUTPUT);
    EXPECT_TRUE(ui.Click(IDOK));
    return text;
}

// The engine's own output from a running child, ended by "Terminate"; for tests about the running state.
void WaitUntilRunning(CUiDriver& ui) {
    ASSERT_TRUE(ui.WaitForDialog());
    ASSERT_TRUE(ui.WaitFor([&] { return Contains(ui.Text(IDC_CONSOLE_OUTPUT), L"started"); }, kLong));
}

// Which of Close, Start, Terminate and Pause are enabled, as "1" or "0" each.
std::string Buttons(CUiDriver& ui) {
    std::string states;
    for (const int id : {IDOK, IDC_CONSOLE_START, IDC_CONSOLE_TERMINATE, IDC_CONSOLE_PAUSE})
        states += ui.Enabled(id) ? '1' : '0';
    return states;
}

void TerminateAndWaitForTheEnd(CUiDriver& ui) {
    EXPECT_TRUE(ui.Click(IDC_CONSOLE_TERMINATE));
    EXPECT_TRUE(ui.WaitFor([&] { return Contains(ui.Text(IDC_CONSOLE_OUTPUT), L"Exit Code: 3"); }, kLong));
}

class ConsoleWindow : public ::testing::Test {
protected:
    // The job folder, with a trailing separator as job folders have.
    std::wstring JobFolder() const { return m_temp.File(L"job") + L"\\"; }
    // Creates the job folder with the child's script in it.
    void PrepareJob(const std::string& script) {
        std::filesystem::create_directory(m_temp.File(L"job"));
        WriteBytes(JobFolder() + L"child.script", script);
    }
    bool JobFolderExists() const { return std::filesystem::exists(m_temp.File(L"job")); }

    // A whole run of the child with `script`, closed with "Close" once it has ended.
    struct Ended {
        INT_PTR result = 0;
        int exitCode = -1;
        std::wstring output;
    };
    // With `closeBox`, the close box ends it instead.
    Ended RunToTheEnd(const std::string& script, bool closeBox = false) {
        PrepareJob(script);
        CConsoleDlg console(AlSiMgCondition(JobFolder().c_str()));
        Ended ended;
        ended.result = RunModalScript([&] { return console.DoModal(); },
                                      [&](CUiDriver& ui) {
                                          ASSERT_TRUE(ui.WaitForDialog());
                                          if (!closeBox)
                                              ended.output = CloseAfterTheEnd(ui);
                                          else if (ui.WaitFor([&] { return ui.Enabled(IDOK); }, kLong))
                                              ui.PressCloseBox();
                                      });
        ended.exitCode = console.GetExitCode();
        return ended;
    }

    TempDir m_temp;
};

// Escape and Enter do nothing, neither while the engine runs nor afterwards, when "Close" is the default
// button and Enter would press it without the key filter.
TEST_F(ConsoleWindow, ShowsTheOutputWhileTheEngineRunsAndClosesWithTheResultAfterExitCodeZero) {
    PrepareJob("out:started;sleep:1500;out:last line;exit:0");
    CConsoleDlg console(AlSiMgCondition(JobFolder().c_str()));
    const INT_PTR result =
        RunModalScript([&] { return console.DoModal(); },
                       [&](CUiDriver& ui) {
                           WaitUntilRunning(ui);
                           wchar_t caption[128] = {};
                           ::GetWindowTextW(ui.Dialog(), caption, 128);
                           EXPECT_STREQ(caption, L"Material Property Calculator");
                           EXPECT_FALSE(Contains(ui.Text(IDC_CONSOLE_OUTPUT), L"last line"))
                               << "the engine has not ended yet";
                           EXPECT_EQ(Buttons(ui), "0011");
                           EXPECT_FALSE(ui.Visible(IDC_CONSOLE_STOP));
                           EXPECT_FALSE(ui.Enabled(IDC_CONSOLE_STOP));
                           EXPECT_TRUE(ui.Screenshot(L"console_running"));
                           ui.PressKey(VK_ESCAPE);
                           ui.PressKey(VK_RETURN);
                           EXPECT_TRUE(ui.Open());

                           ASSERT_TRUE(ui.WaitFor([&] { return ui.Enabled(IDOK); }, kLong));
                           ui.PressKey(VK_RETURN);
                           ui.PressKey(VK_ESCAPE);
                           EXPECT_TRUE(ui.Open());
                           EXPECT_EQ(Buttons(ui), "1000");
                           const std::wstring text = CloseAfterTheEnd(ui);
                           EXPECT_TRUE(Contains(text, L"started\r\nlast line\r\n") ||
                                       Contains(text, L"started\nlast line\n"))
                               << text;
                           EXPECT_TRUE(Contains(text, L"Exit Code: 0"));
                       });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(console.GetExitCode(), 0);
    EXPECT_EQ(console.GetResultPath(), CString((JobFolder() + L"vuzaziza.out").c_str()));
}

TEST_F(ConsoleWindow, AnotherExitCodeClosesWithCancelAndALongOutputIsKeptWhole) {
    const Ended failed = RunToTheEnd("err:no convergence;exit:7");
    EXPECT_EQ(failed.result, IDCANCEL);
    EXPECT_EQ(failed.exitCode, 7);
    EXPECT_TRUE(Contains(failed.output, L"no convergence"));

    const Ended flood = RunToTheEnd("flood:40000;exit:0");
    EXPECT_EQ(flood.result, IDOK);
    EXPECT_TRUE(Contains(flood.output, L"Exit Code: 0"));
    EXPECT_GE(flood.output.size(), 40000u + std::wcslen(L"Exit Code: 0\n"));

    // The close box cancels even after a successful run.
    const Ended closed = RunToTheEnd("exit:0", true);
    EXPECT_EQ(closed.result, IDCANCEL);
    EXPECT_EQ(closed.exitCode, 0);
}

TEST_F(ConsoleWindow, WritesTheInputDocumentAndHandsTheEngineItsPathInQuotes) {
    const Ended ended = RunToTheEnd("cmdline;exit:0");
    EXPECT_EQ(ended.result, IDOK);
    // The command line is the input path in double quotes and nothing else.
    const std::wstring input = JobFolder() + L"input.vjp";
    EXPECT_TRUE(ended.output.starts_with(L"\"" + input + L"\"\r\n") ||
                ended.output.starts_with(L"\"" + input + L"\"\n"))
        << ended.output;
    MatCondition loaded;
    ASSERT_EQ(LoadMatCondition(input.c_str(), &loaded), 1);
    EXPECT_TRUE(loaded == AlSiMgCondition(JobFolder().c_str()));
}

TEST_F(ConsoleWindow, StopsAtTheInputDocumentWhenTheJobFolderIsMissing) {
    CConsoleDlg console(AlSiMgCondition(JobFolder().c_str())); // never created
    const INT_PTR result = RunModalScript([&] { return console.DoModal(); },
                                          [&](CUiDriver& ui) {
                                              ASSERT_TRUE(ui.WaitForDialog());
                                              ui.Sync();
                                              EXPECT_EQ(Buttons(ui), "1100");
                                              EXPECT_TRUE(ui.Click(IDC_CONSOLE_START))
                                                  << "a second try stops the same way";
                                              EXPECT_EQ(Buttons(ui), "1100");
                                              EXPECT_EQ(CloseAfterTheEnd(ui), L"");
                                          });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(JobFolderExists());
    EXPECT_EQ(console.GetRunnerState(), CConProc::Idle);
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
    CConsoleWithoutEngine console(AlSiMgCondition(JobFolder().c_str()), m_temp.File(L"nowhere\\kestrum.exe"));
    const INT_PTR result = RunModalScript([&] { return console.DoModal(); },
                                          [&](CUiDriver& ui) {
                                              ASSERT_TRUE(ui.WaitForDialog());
                                              ASSERT_TRUE(ui.WaitFor([&] { return ui.Enabled(IDOK); }, kLong))
                                                  << "Close stayed disabled";
                                              EXPECT_FALSE(ui.Enabled(IDC_CONSOLE_START));
                                              EXPECT_TRUE(Contains(CloseAfterTheEnd(ui), L"CreateProcess"));
                                          });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(console.GetRunnerState(), CConProc::Idle);
}

TEST_F(ConsoleWindow, TheJobStepKeepsTheFolderOfASuccessfulRunWithTheModulesResourcesCurrent) {
    // The host has other resources current; the console's must be found in the module all the same.
    const HINSTANCE host = ::GetModuleHandleW(L"kernel32.dll");
    SetResourceHandle(host);
    HINSTANCE during = nullptr;
    CString resultPath;
    const int result =
        RunModalScript([&] { return RunCalculationJob(AlSiMgCondition(JobFolder().c_str()), &resultPath); },
                       [&](CUiDriver& ui) {
                           ASSERT_TRUE(ui.WaitForDialog());
                           during = GetResourceHandle();
                           CloseAfterTheEnd(ui);
                       });
    EXPECT_EQ(GetResourceHandle(), host) << "restored after the modal loop";
    SetResourceHandle(nullptr);
    EXPECT_EQ(during, GetCodeModuleHandle());
    // No script in the folder the job step created: the child ends at once with exit code 0.
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(resultPath, CString((JobFolder() + L"vuzaziza.out").c_str()));
    EXPECT_TRUE(std::filesystem::exists(JobFolder() + L"input.vjp"));
}

// The close box does nothing while the engine runs or is paused; each press of the pause button acts
// on the runner's state, so its caption alternates only while pausing and resuming work. After
// "Terminate" and "Close" the job step removes the folder.
TEST_F(ConsoleWindow, TheJobStepRemovesTheFolderAfterTerminateAndClose) {
    PrepareJob("out:started;sleep:30000");
    CString resultPath(L"untouched");
    const int result =
        RunModalScript([&] { return RunCalculationJob(AlSiMgCondition(JobFolder().c_str()), &resultPath); },
                       [&](CUiDriver& ui) {
                           WaitUntilRunning(ui);
                           for (const wchar_t* caption : {L"Resume", L"Pause", L"Resume", L"Pause"}) {
                               ui.PressCloseBox();
                               EXPECT_TRUE(ui.Open());
                               EXPECT_TRUE(ui.Click(IDC_CONSOLE_PAUSE));
                               EXPECT_EQ(ui.Text(IDC_CONSOLE_PAUSE), caption);
                           }
                           TerminateAndWaitForTheEnd(ui);
                           EXPECT_EQ(Buttons(ui), "1000");
                           EXPECT_TRUE(ui.RepeatUntilClosed([&] { ui.Click(IDOK); }));
                       });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(resultPath, L"untouched");
    EXPECT_FALSE(JobFolderExists()) << "the job folder and everything in it are removed";
}

} // namespace
