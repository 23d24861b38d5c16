// CConsoleDlg: the modal window in which one calculation runs. It writes the engine's input document
// into the job folder, starts the engine beside the module, shows everything the engine prints, lets
// the user pause, resume or terminate it, and after a successful run tells where the result file is.
#pragma once

#include <atomic>

#include "calc/conproc.h"
#include "framework/controls.h"
#include "framework/critsec.h"
#include "framework/dialog.h"
#include "xml/matcondition.h"

class CConsoleDlg : public CDialog, public IConProcOwner {
public:
    // The record is copied whole; the caller's is never touched.
    explicit CConsoleDlg(const MatCondition& condition, CWnd* parent = nullptr);
    ~CConsoleDlg() override;

    // The job folder's "vuzaziza.out", separators normalised.
    CString GetResultPath() const;
    // The job folder's "input.vjp", separators normalised.
    CString GetInputPath() const;
    int GetExitCode() const { return m_exitCode.load(); }
    int GetRunnerState() const { return m_runner.GetState(); }

    // Called by the runner from its threads (and, for its reports of Create and Start, from ours).
    void OnOutput(const wchar_t* text) override;
    void OnExit(int exitCode) override;

protected:
    // Where the engine lies: kestrum.exe beside the file of the module holding this code. 0 when that
    // file cannot be named.
    virtual int LocateEngine(CString* path);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // "Close".
    void OnOK() override;

private:
    void OnStart();
    void OnPauseResume();
    void OnTerminate();
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    void OnEngineEnded();
    void OnStartFailed();
    void SetButtons(BOOL close, BOOL start, BOOL terminate, BOOL pause);
    // The runner has ended: its final state, or the exit code when OnExit came and the state has not
    // followed yet.
    bool RunOver() const;

    // The runner is the last member, so it is destroyed first: its destructor waits for its threads,
    // which still use the output box, the lock and the exit code.
    CEdit m_output;
    CCriticalSection m_outputLock;
    std::atomic<int> m_exitCode{0};
    std::atomic<bool> m_exited{false};
    // The windows as the runner's threads see them: set at initialisation, cleared when the window goes.
    std::atomic<HWND> m_window{nullptr};
    std::atomic<HWND> m_box{nullptr};
    // OnOutput calls under way; the destructor lets them finish before the runner is destroyed.
    std::atomic<int> m_outputCalls{0};
    MatCondition m_condition;
    CConProc m_runner;
};
