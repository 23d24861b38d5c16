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

// The program stands in for the module: its resources are in the chain, as the library's are once it is
// loaded.
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

    // A whole run of the child with `script`, closed with "Close" once it has ended (with `closeBox`, with
    // the close box): the dialog's result, the exit code and the output.
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

// The job step with the host's resources current: the console's must be found in the module all the same.
// Escape and Enter do nothing, neither while the engine runs nor afterwards, when "Close" is the default
// button and Enter would press it without the key filter. A successful run keeps its folder; the engine's
// command line is the input document's path in double quotes and nothing else.
TEST_F(ConsoleWindow, TheJobStepShowsTheOutputWhileTheEngineRunsAndKeepsASuccessfulRun) {
    PrepareJob("cmdline;out:started;sleep:1500;out:last line;exit:0");
    const std::wstring input = JobFolder() + L"input.vjp";
    const HINSTANCE host = ::GetModuleHandleW(L"kernel32.dll");
    SetResourceHandle(host);
    HINSTANCE during = nullptr;
    const int result = RunModalScript(
        [&] { return RunCalculationJob(Condition(), nullptr); },
        [&](CUiDriver& ui) {
            ASSERT_TRUE(ui.WaitForDialog());
            during = GetResourceHandle();
            ASSERT_TRUE(Shows(ui, L"started\n"));
            // The engine has not ended yet.
            EXPECT_EQ(std::tuple(Output(ui), Buttons(ui)),
                      std::tuple(L"\"" + input + L"\"\nstarted\n", "001100"));
            EXPECT_TRUE(ui.Screenshot(L"console_running"));
            ui.PressKey(VK_ESCAPE);
            ui.PressKey(VK_RETURN);
            ASSERT_TRUE(ui.WaitFor([&] { return ui.Enabled(IDOK); }, kLong));
            ui.PressKey(VK_RETURN);
            ui.PressKey(VK_ESCAPE);
            EXPECT_TRUE(ui.Open());
            EXPECT_EQ(Buttons(ui), "100000");
            EXPECT_NE(CloseAfterTheEnd(ui).find(L"\nstarted\nlast line\nExit Code: 0\n"), std::wstring::npos);
        });
    const HINSTANCE after = GetResourceHandle();
    SetResourceHandle(nullptr);
    EXPECT_EQ(std::tuple(during, after, result), std::tuple(GetCodeModuleHandle(), host, IDOK));
}

TEST_F(ConsoleWindow, AnotherExitCodeOrTheCloseBoxCancelsAndALongOutputIsKeptWhole) {
    const auto [failed, code, output] = RunToTheEnd("err:no convergence;exit:7");
    EXPECT_EQ(std::tuple(failed, code, output.find(L"no convergence") != std::wstring::npos),
              std::tuple(IDCANCEL, 7, true));
    const auto [floodResult, floodCode, flood] = RunToTheEnd("flood:40000;exit:0");
    EXPECT_EQ(std::tuple(floodResult, flood.size() >= 40000u + std::size(L"Exit Code: 0"),
                         flood.find(L"Exit Code: 0") != std::wstring::npos),
              std::tuple(IDOK, true, true));
    // The close box cancels even after a successful run.
    EXPECT_EQ(RunToTheEnd("exit:0", true), std::tuple(IDCANCEL, 0, L""));
}

// The engine as the test names it.
class CConsoleWithEngine : public CConsoleDlg {
public:
    CConsoleWithEngine(const MatCondition& rec, std::wstring engine)
        : CConsoleDlg(rec), m_engine(std::move(engine)) {}

protected:
    int LocateEngine(CString* path) override {
        *path = CString(m_engine.c_str());
        return 1;
    }

private:
    std::wstring m_engine;
};

// Without a job folder the input document cannot be written: the run stops before the engine, and a second
// try stops the same way. An engine that cannot be started sends no exit: "Close" is enabled again as soon
// as the runner reports the failure, without "Terminate" first.
TEST_F(ConsoleWindow, ARunThatCannotStartLeavesCloseAvailableAndCancels) {
    const std::tuple<bool, std::string, std::wstring> cases[] = {
        {false, "11", L""}, {true, "10", L"ERROR: API    = CreateProcess."}};
    for (const auto& [folder, buttons, report] : cases) {
        if (folder)
            PrepareJob("exit:0");
        CConsoleWithEngine console(Condition(), m_temp.File(L"nowhere\\kestrum.exe"));
        const INT_PTR result =
            RunModalScript([&] { return console.DoModal(); },
                           [&](CUiDriver& ui) {
                               ASSERT_TRUE(ui.WaitForDialog());
                               ASSERT_TRUE(ui.WaitFor([&] { return ui.Enabled(IDOK); }, kLong))
                                   << "Close stayed disabled";
                               // Close and Start.
                               EXPECT_EQ(Buttons(ui).substr(0, 2), buttons);
                               ui.Click(IDC_CONSOLE_START);
                               EXPECT_EQ(Buttons(ui).substr(0, 2), buttons);
                               const std::wstring output = CloseAfterTheEnd(ui);
                               EXPECT_EQ(report.empty() ? output : output.substr(0, report.size()), report);
                           });
        EXPECT_EQ(std::tuple(result, JobFolderExists(), console.GetRunnerState()),
                  std::tuple(IDCANCEL, folder, CConProc::Idle));
    }
}

// The close box does nothing while the engine runs or is paused; each press of the pause button acts on the
// runner's state, so its caption alternates only while pausing and resuming work. After "Terminate" and
// "Close" the job step removes the folder and everything in it.
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
