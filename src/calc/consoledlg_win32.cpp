#include "calc/consoledlg.h"

#include <cwchar>

#include "calc/calcjob.h"
#include "calc/job.h"
#include "res/resource.h"

namespace {

// Posted by the runner's callbacks, so that the buttons change on the window's own thread and always
// after a Start that is still setting them.
constexpr UINT WM_ENGINE_ENDED = WM_APP + 1;
constexpr UINT WM_START_FAILED = WM_APP + 2;

// Every report of the runner begins so (see FormatConProcReport).
constexpr wchar_t kReportPrefix[] = L"ERROR: API";

} // namespace

CConsoleDlg::CConsoleDlg(const MatCondition& condition, CWnd* parent)
    : CDialog(IDD_CONSOLE, parent), m_condition(condition) {}

CConsoleDlg::~CConsoleDlg() {
    // A runner thread may be inside OnOutput, waiting for this thread to take its message to the box;
    // destroying the runner now would wait for that thread in turn. No call starts sending any more
    // (the box is gone), and those under way get their messages handled here.
    m_box.store(nullptr);
    m_window.store(nullptr);
    while (m_outputCalls.load() > 0) {
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
    }
}

CString CConsoleDlg::GetResultPath() const {
    return GetJobResultPath(m_condition.resPath);
}

CString CConsoleDlg::GetInputPath() const {
    return GetJobInputPath(m_condition.resPath);
}

int CConsoleDlg::LocateEngine(CString* path) {
    return GetEnginePath(path);
}

void CConsoleDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_CONSOLE_OUTPUT, m_output);
}

BOOL CConsoleDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Every text is appended as received: without this the box would stop taking text at its default
    // limit of about 32000 characters.
    m_output.SendMessage(EM_SETLIMITTEXT, 0);
    m_window.store(m_hWnd);
    m_box.store(m_output.m_hWnd);
    SetButtons(TRUE, TRUE, FALSE, FALSE);
    // The calculation begins without a click.
    OnStart();
    return TRUE;
}

LRESULT CConsoleDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        return OnClose(wParam, lParam);
    case WM_ENGINE_ENDED:
        OnEngineEnded();
        return 0;
    case WM_START_FAILED:
        OnStartFailed();
        return 0;
    case WM_DESTROY:
        m_box.store(nullptr);
        m_window.store(nullptr);
        break;
    default:
        break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

// Enter, Escape and Tab do nothing in this window: every key-down is swallowed before the dialog
// manager could turn it into a button press.
BOOL CConsoleDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN)
        return TRUE;
    return CDialog::PreTranslateMessage(msg);
}

BOOL CConsoleDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_CONSOLE_START:
            OnStart();
            return TRUE;
        case IDC_CONSOLE_TERMINATE:
            OnTerminate();
            return TRUE;
        case IDC_CONSOLE_PAUSE:
            OnPauseResume();
            return TRUE;
        case IDC_CONSOLE_STOP:
            return TRUE; // hidden and disabled; does nothing
        default:
            break;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CConsoleDlg::SetButtons(BOOL close, BOOL start, BOOL terminate, BOOL pause) {
    EnableDlgItem(IDOK, close);
    EnableDlgItem(IDC_CONSOLE_START, start);
    EnableDlgItem(IDC_CONSOLE_TERMINATE, terminate);
    EnableDlgItem(IDC_CONSOLE_PAUSE, pause);
}

void CConsoleDlg::OnStart() {
    // A document that cannot be written (no job folder) or an engine that cannot be named stops the
    // start quietly, "Start" staying; the runner's own failures show up as its reports in the output box.
    const CCalcJob job(m_condition.resPath);
    const JobOutcome started =
        job.Start(m_condition, m_runner, this, [this](CString* path) { return LocateEngine(path); });
    if (!started && started.status != JobStatus::EngineFailed)
        return;
    SetButtons(FALSE, FALSE, TRUE, TRUE);
}

void CConsoleDlg::OnPauseResume() {
    CString caption;
    if (m_runner.GetState() == CConProc::Running) {
        m_runner.Pause();
        caption.LoadString(IDS_CONSOLE_RESUME);
    } else {
        m_runner.Resume();
        caption.LoadString(IDS_CONSOLE_PAUSE);
    }
    ::SetWindowTextW(GetDlgItem(IDC_CONSOLE_PAUSE), caption);
}

void CConsoleDlg::OnTerminate() {
    m_runner.Terminate();
    SetButtons(TRUE, FALSE, FALSE, FALSE);
}

bool CConsoleDlg::RunOver() const {
    const int state = m_runner.GetState();
    return !(state == CConProc::Running || state == CConProc::Paused) || m_exited.load();
}

void CConsoleDlg::OnOK() {
    if (!RunOver())
        return;
    // The runner publishes its final state just after OnExit returns; a click in between is decided
    // by the exit code OnExit brought, as the final state will be.
    const int state = m_runner.GetState();
    const bool succeeded = state == CConProc::Succeeded ||
                           (m_exited.load() && state != CConProc::Failed && m_exitCode.load() == 0);
    EndDialog(succeeded ? IDOK : IDCANCEL);
}

// The close box and the system menu: ignored while the engine runs or is paused; otherwise the dialog
// manager's own handling, which ends the dialog with IDCANCEL, also after a successful run.
LRESULT CConsoleDlg::OnClose(WPARAM wParam, LPARAM lParam) {
    if (!RunOver())
        return 0;
    return Default(WM_CLOSE, wParam, lParam);
}

void CConsoleDlg::OnOutput(const wchar_t* text) {
    ++m_outputCalls;
    CSingleLock lock(m_outputLock);
    const HWND box = m_box.load();
    if (box && text) {
        const LRESULT length = ::SendMessageW(box, WM_GETTEXTLENGTH, 0, 0);
        ::SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(length), length);
        ::SendMessageW(box, EM_SCROLLCARET, 0, 0);
        ::SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    }
    // A report while the runner is still Idle means the engine never started (its process could not
    // be created, or the runner could not be set up): no OnExit will come. Rather than leave every way
    // out of the window disabled until "Terminate" is clicked, "Close" is enabled again at once.
    if (text && std::wcsncmp(text, kReportPrefix, std::wcslen(kReportPrefix)) == 0 &&
        m_runner.GetState() == CConProc::Idle) {
        if (const HWND window = m_window.load())
            ::PostMessageW(window, WM_START_FAILED, 0, 0);
    }
    --m_outputCalls;
}

void CConsoleDlg::OnExit(int exitCode) {
    m_exitCode.store(exitCode);
    m_exited.store(true);
    if (const HWND window = m_window.load())
        ::PostMessageW(window, WM_ENGINE_ENDED, 0, 0);
}

void CConsoleDlg::OnEngineEnded() {
    // "Pause" keeps whatever caption it had.
    SetButtons(TRUE, FALSE, FALSE, FALSE);
}

void CConsoleDlg::OnStartFailed() {
    if (m_runner.GetState() == CConProc::Idle)
        EnableDlgItem(IDOK, TRUE);
}
