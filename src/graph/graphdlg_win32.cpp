#include "graph/graphdlg.h"

#include "framework/filedlg.h"
#include "graph/exportdlg.h"
#include "graph/svgplot.h"
#include "props/datatypes.h"
#include "res/resource.h"

CGraphDlg* g_pGraphDlg = nullptr;
CKestrumModImpl* g_pGraphModule = nullptr;

namespace {

// The window whose keyboard messages the hook offers to it; there is one graph window at a time.
HWND g_keyWindow = nullptr;

// The host's message loop knows nothing of our dialogs, so without this Enter, Escape and Tab would
// reach the controls as plain keys. A message the window took is handed on to the host as WM_NULL.
LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message >= WM_KEYFIRST &&
        msg->message <= WM_KEYLAST && g_keyWindow &&
        (msg->hwnd == g_keyWindow || ::IsChild(g_keyWindow, msg->hwnd))) {
        if (CWnd::WalkPreTranslateTree(g_keyWindow, msg))
            msg->message = WM_NULL;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

CGraphDlg::CGraphDlg(IKestrumModExport* exportInterface) : CDialog(IDD_GRAPH), m_pExport(exportInterface) {}

CGraphDlg::~CGraphDlg() {
    RemoveKeyHook();
}

BOOL CGraphDlg::CreateBeside(HWND parent) {
    m_hostParent = parent;
    return CreateOwned(parent);
}

void CGraphDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_GRAPH_SHOW_SYMBOL, m_showSymbol);
    DDX_Control(dx, IDC_GRAPH_RAW_DATA, m_rawData);
    DDX_Control(dx, IDC_GRAPH_GRAPH, m_graph);
    DDX_Control(dx, IDC_GRAPH_PROPERTY, m_propList);
}

BOOL CGraphDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Without a parent to stand beside, the window stays where the system put it.
    RECT parent{};
    if (m_hostParent && ::GetWindowRect(m_hostParent, &parent))
        ::SetWindowPos(m_hWnd, nullptr, parent.right, parent.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    m_toolTip.Create(this);
    m_toolTip.Activate(TRUE);
    m_toolTip.AddTool(&m_propList, L"ComboBoxY");
    m_toolTip.AddTool(&m_showSymbol, m_showSymbol.GetWindowText().GetString());

    m_showSymbol.SetCheck(BST_CHECKED);
    m_graph.m_showSymbols = 1;

    // Only a calculated result's file is offered for saving: an imported one is the user's already.
    const BOOL canSave = g_pGraphModule && !g_pGraphModule->IsImported();
    EnableDlgItem(IDC_GRAPH_SAVE, canSave);
    ::ShowWindow(GetDlgItem(IDC_GRAPH_SAVE), canSave ? SW_SHOW : SW_HIDE);

    g_keyWindow = m_hWnd;
    m_keyHook = ::SetWindowsHookExW(WH_GETMESSAGE, KeyboardHook, nullptr, ::GetCurrentThreadId());
    return TRUE;
}

void CGraphDlg::RemoveKeyHook() {
    if (!m_keyHook)
        return;
    ::UnhookWindowsHookEx(m_keyHook);
    m_keyHook = nullptr;
    g_keyWindow = nullptr;
}

// No export interface set: the host is taken to accept every data type, so every plotted property
// is listed and offered in Apply; only the hand-over itself (ApplyProps) is left out.
bool CGraphDlg::HostTakes(KESTRUMMOD_DATATYPE type) {
    return !m_pExport || m_pExport->QueryDataType(type) != -1;
}

BOOL CGraphDlg::LoadProps(CKestrumModImpl* module) {
    if (!module)
        return FALSE;
    const CMatProps& tables = *module;
    m_workProps = tables;
    m_rawProps = tables;
    m_propList.ResetContent();
    m_thinned.clear();
    for (size_t i = 0; i < m_rawProps.m_series.size(); ++i) {
        // A series without points thins to none and shows the empty graph.
        ThinSeries(m_rawProps.m_series[i], m_workProps.m_series[i]);
        m_thinned.push_back(1);
        const KESTRUMMOD_DATATYPE type = m_rawProps.m_series[i].m_dataType;
        // The host is asked about every series, also those that are never listed.
        if (!HostTakes(type) || !IsPlottedType(type))
            continue;
        // "No Unit" stands in the unit's place, so that the entry still names its property.
        CString unit(L"No Unit");
        GetDataTypeUnit(type, &unit);
        CString entry;
        entry.Format(L"%s [ %s ]", KESTRUMMOD_DataTypeToString(type).GetString(), unit.GetString());
        const int index = m_propList.AddString(entry.GetString());
        m_propList.SetItemData(index, i);
    }
    m_propList.SetCurSel(0);
    OnSelChange();
    return TRUE;
}

int CGraphDlg::SelectedProperty() const {
    const int selected = m_propList.GetCurSel();
    if (selected < 0)
        return -1;
    const DWORD_PTR i = m_propList.GetItemData(selected);
    return i < m_workProps.m_series.size() ? static_cast<int>(i) : -1;
}

void CGraphDlg::ShowPoints(size_t i) {
    m_graph.m_points.clear();
    m_graph.RecalcExtents();
    m_graph.RecalcAxes();
    const std::vector<GraphPoint>& points = m_workProps.m_series[i].m_points;
    if (!points.empty()) {
        m_graph.m_points = points;
        m_graph.RecalcExtents();
        m_graph.RecalcAxes();
    }
    m_graph.Invalidate(TRUE);
}

void CGraphDlg::ShowRawDataCheck(size_t i) {
    m_rawData.SetCheck(m_thinned[i] != 1 ? BST_CHECKED : BST_UNCHECKED);
}

void CGraphDlg::OnSelChange() {
    const int i = SelectedProperty();
    if (i < 0)
        return;
    const size_t index = static_cast<size_t>(i);
    ShowPoints(index);
    m_graph.m_xTitle = GraphXTitle();
    m_graph.m_yTitle = GraphYTitle(m_workProps.m_series[index].m_dataType);
    m_toolTip.UpdateTipText(m_graph.m_yTitle.GetString(), &m_propList);
    ShowRawDataCheck(index);
}

void CGraphDlg::OnRawData() {
    const int selected = SelectedProperty();
    if (selected < 0)
        return;
    const size_t i = static_cast<size_t>(selected);
    CMatPropData& working = m_workProps.m_series[i];
    if (m_rawData.GetCheck() == BST_CHECKED) {
        working = m_rawProps.m_series[i];
        m_thinned[i] = 0;
    } else {
        // Thinned anew from the raw series the working one holds now.
        CMatPropData thinned = working;
        thinned.m_points.clear();
        ThinSeries(working, thinned);
        working = thinned;
        m_thinned[i] = 1;
    }
    ShowPoints(i);
    ShowRawDataCheck(i);
}

void CGraphDlg::OnShowSymbol() {
    const int show = m_showSymbol.GetCheck() == BST_CHECKED ? 1 : 0;
    if (show == m_graph.m_showSymbols)
        return;
    m_graph.m_showSymbols = show;
    m_graph.Invalidate(FALSE);
}

bool CGraphDlg::StillOpen(HWND window, const CGraphDlg* self) {
    return ::IsWindow(window) && CWnd::FromHandle(window) == self;
}

void CGraphDlg::OnApply() {
    std::vector<ExportItem> items;
    for (const CMatPropData& series : m_workProps.m_series) {
        const KESTRUMMOD_DATATYPE type = series.m_dataType;
        if (HostTakes(type) && type != JDT_NULL && type != JDT_UNKNOWN)
            items.push_back({1, type, static_cast<int32_t>(series.m_points.size())});
    }
    CExportDlg dialog(items, this);
    const HWND self = m_hWnd;
    if (dialog.DoModal() != IDOK || !StillOpen(self, this))
        return;
    for (CMatPropData& series : m_workProps.m_series)
        series.m_exportFlag = 0;
    for (const ExportItem& item : dialog.m_items) {
        if (CMatPropData* series = FindSeries(m_workProps, static_cast<KESTRUMMOD_DATATYPE>(item.dataType)))
            series->m_exportFlag = item.checked;
    }
    if (m_pExport)
        m_pExport->ApplyProps(&m_workProps.m_series);
}

// With the module released while the window is open there is no result file to copy: Save then
// does nothing.
void CGraphDlg::OnSave() {
    if (!g_pGraphModule)
        return;
    CFileDialog dialog(FALSE, L"*.out", nullptr, OFN_EXPLORER, L"Vantrel Kestrum Output File(*.out)|*.out||",
                       this);
    const HWND self = m_hWnd;
    if (dialog.DoModal() != IDOK || !StillOpen(self, this) || !g_pGraphModule)
        return;
    const CString source(g_pGraphModule->GetPropFilePath());
    const CString destination = dialog.GetPathName();
    if (::CopyFileW(source.GetString(), destination.GetString(), FALSE))
        return;
    CString text;
    text.Format(L"Failed to copy the output file.(%d)\n%s\n%s", static_cast<int>(::GetLastError()),
                source.GetString(), destination.GetString());
    MessageBox(text.GetString());
}

void CGraphDlg::OnOK() {
    DestroyWindow();
}

void CGraphDlg::OnCancel() {
    DestroyWindow();
}

BOOL CGraphDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDC_GRAPH_PROPERTY) {
        if (code == CBN_SELCHANGE)
            OnSelChange();
        return code == CBN_SELCHANGE;
    }
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_GRAPH_RAW_DATA:
            OnRawData();
            return TRUE;
        case IDC_GRAPH_SHOW_SYMBOL:
            OnShowSymbol();
            return TRUE;
        case IDC_GRAPH_APPLY:
            OnApply();
            return TRUE;
        case IDC_GRAPH_SAVE:
            OnSave();
            return TRUE;
        default:
            break;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CGraphDlg::PreTranslateMessage(MSG* msg) {
    // The tools' mouse messages reach the tooltip through its subclassing; what comes here is relayed.
    if (m_toolTip.m_hWnd)
        m_toolTip.RelayEvent(msg);
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CGraphDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        DestroyWindow();
        return 0;
    case WM_DESTROY:
        RemoveKeyHook();
        break;
    default:
        break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

// The module's clean-up runs as DeleteTempFiles runs it. A module released while the window was open
// is no longer the graph's module (its destructor saw to that): it is not touched, and its job
// folder stays.
void CGraphDlg::PostNcDestroy() {
    if (CKestrumModImpl* module = g_pGraphModule) {
        module->DeleteTempFiles();
        g_pGraphModule = nullptr;
    }
    const bool current = g_pGraphDlg == this;
    delete this;
    if (current)
        g_pGraphDlg = nullptr;
}

int32_t OpenGraphWindow(CKestrumModImpl* module, HWND parent) {
    g_pGraphModule = module;
    if (!g_pGraphDlg)
        g_pGraphDlg = new CGraphDlg(module ? module->GetExportInterface() : nullptr);
    CGraphDlg* window = g_pGraphDlg;
    if (window->IsWindow()) {
        window->ShowWindow(SW_SHOW);
        window->SetFocus();
        return 1;
    }
    // A window that cannot be made (the parent handle is no window) leaves no object behind, so that
    // the next open starts afresh; the failure is reported as 0.
    if (!window->CreateBeside(parent)) {
        if (g_pGraphDlg == window) {
            g_pGraphDlg = nullptr;
            delete window;
        }
        return 0;
    }
    window->LoadProps(module);
    window->ShowWindow(SW_SHOW);
    return 1;
}
