#include "host/hostwnd.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <iterator>
#include <utility>

#include "framework/cstring.h"

namespace {

constexpr wchar_t kClassName[] = L"KestrumHostWindow";
constexpr int kMargin = 8;
constexpr int kButtonWidth = 160;
constexpr int kButtonHeight = 26;
constexpr int kLabelHeight = 18;
constexpr int kStatusRow = 22;
constexpr int kStatusLabelWidth = 90;
constexpr UINT kShowStatus = WM_APP + 1;

// The host's own property slots, in the order of its table; the index is what QueryDataType answers.
constexpr KESTRUMMOD_DATATYPE kTakenTypes[] = {
    JDT_WT_LIQUID,         JDT_PR_TOTAL, JDT_YM_TOTAL, JDT_TC_TOTAL, JDT_D_TOTAL,  JDT_VISC_LIQUID,
    JDT_VISC_TOTAL,        JDT_H_WT,     JDT_CP_WT,    JDT_LH_WT,    JDT_BM_TOTAL, JDT_SM_TOTAL,
    JDT_DYNAMIC_VISCOSITY,
};

const CMatPropData* FirstOfType(const CKestrumModImpl& module, int32_t type) {
    const auto& series = module.m_series;
    const auto found = std::find_if(series.begin(), series.end(),
                                    [type](const CMatPropData& s) { return s.m_dataType == type; });
    return found != series.end() && !found->m_points.empty() ? &*found : nullptr;
}

CString Number(const wchar_t* format, double value) {
    CString text;
    text.Format(format, value);
    return text;
}

CString Integer(long long value) {
    CString text;
    text.Format(L"%lld", value);
    return text;
}

void SetCell(HWND list, int row, int column, const CString& text) {
    if (column == 0) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(text.GetString());
        ListView_InsertItem(list, &item);
    } else {
        ListView_SetItemText(list, row, column, const_cast<wchar_t*>(text.GetString()));
    }
}

void SetRow(HWND list, int row, std::initializer_list<CString> cells) {
    int column = 0;
    for (const CString& cell : cells)
        SetCell(list, row, column++, cell);
}

// A series' name: a fixed field of the module's, read up to its zero but never past its end.
std::wstring NameOf(const CMatPropData& series) {
    return std::wstring(series.m_name, ::wcsnlen(series.m_name, std::size(series.m_name)));
}

// Name, number and display name of a series' data type: the first three columns of both lists.
std::array<CString, 3> Identity(const std::wstring& name, int32_t type) {
    return {CString(name), Integer(type),
            KESTRUMMOD_DataTypeToString(static_cast<KESTRUMMOD_DATATYPE>(type))};
}

} // namespace

int32_t CHostExport::ApplyProps(std::vector<CMatPropData>* list) {
    m_applied.clear();
    if (list) {
        for (const CMatPropData& series : *list)
            m_applied.push_back(
                {NameOf(series), series.m_dataType, series.m_exportFlag, series.m_points.size()});
    }
    if (onApply)
        onApply();
    return 1;
}

int32_t CHostExport::QueryDataType(int32_t dataType) {
    const auto found = std::find(std::begin(kTakenTypes), std::end(kTakenTypes), dataType);
    return found != std::end(kTakenTypes) ? static_cast<int32_t>(found - std::begin(kTakenTypes)) : -1;
}

CHostWnd::CHostWnd(std::wstring workingPath) : m_workingPath(std::move(workingPath)) {
    m_export.onApply = [this] { FillApplied(); };
}

CHostWnd::~CHostWnd() {
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

bool CHostWnd::Create(int showCommand) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &CHostWnd::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hIcon = ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    // A second window in the same process finds the class already there.
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    if (!::CreateWindowExW(0, kClassName, L"Kestrum Host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                           CW_USEDEFAULT, CW_USEDEFAULT, 780, 640, nullptr, nullptr, instance, this))
        return false;
    ::ShowWindow(m_hWnd, showCommand);
    ::UpdateWindow(m_hWnd);
    ::SetForegroundWindow(m_hWnd);
    return true;
}

int CHostWnd::RunMessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK CHostWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<CHostWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CHostWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
    }
    return self->OnMessage(message, wParam, lParam);
}

LRESULT CHostWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate() ? 0 : -1;
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
            OnCommand(LOWORD(wParam));
        return 0;
    case WM_ACTIVATE:
        // The user may have closed the graph window, whose clean-up forgets a calculated result's file.
        // The host is activated while that window is still being destroyed, before the clean-up: the
        // status is read once the destruction is over.
        if (LOWORD(wParam) != WA_INACTIVE)
            ::PostMessageW(m_hWnd, kShowStatus, 0, 0);
        break;
    case kShowStatus:
        if (m_module)
            ShowStatus();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

bool CHostWnd::OnCreate() {
    CKestrumMod* module = KESTRUMMOD_Create(m_workingPath.c_str());
    if (!module) {
        ::MessageBoxW(nullptr, L"The Kestrum module could not be created.", L"Kestrum Host", MB_ICONERROR);
        return false;
    }
    // The library's factory makes the implementation class, whose non-virtual members the host uses.
    m_module = static_cast<CKestrumModImpl*>(module);
    m_module->SetExportInterface(&m_export);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        m_font = ::CreateFontIndirectW(&metrics.lfMessageFont);

    for (const auto& [id, text] : {std::pair{IDC_HOST_QUERY, L"Query"},
                                   {IDC_HOST_SHOW_GRAPH, L"Show Graph"},
                                   {IDC_HOST_HIDE_GRAPH, L"Hide Graph"},
                                   {IDC_HOST_DELETE_TEMP, L"Delete Temporary Files"}})
        m_buttons.push_back(AddChild(L"BUTTON", text, BS_PUSHBUTTON | WS_TABSTOP, id));
    m_tablesLabel = AddChild(L"STATIC", L"Property tables of the module:", SS_LEFT, -1);
    AddList(IDC_HOST_TABLES, {{L"Name", 220},
                              {L"Type", 45},
                              {L"Data Type", 200},
                              {L"Points", 55},
                              {L"First T (C)", 85},
                              {L"Last T (C)", 85}});
    for (const auto& [id, label] : {std::pair{IDC_HOST_RESULT_FILE, L"Result file:"},
                                    {IDC_HOST_SOURCE, L"Source:"},
                                    {IDC_HOST_SOLIDUS, L"Solidus:"},
                                    {IDC_HOST_LIQUIDUS, L"Liquidus:"},
                                    {IDC_HOST_SHRINKAGE, L"Shrinkage:"}})
        m_status.emplace_back(AddChild(L"STATIC", label, SS_LEFT, -1),
                              AddChild(L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, id));
    m_appliedLabel = AddChild(L"STATIC", L"Received through ApplyProps:", SS_LEFT, -1);
    AddList(IDC_HOST_APPLIED,
            {{L"Name", 220}, {L"Type", 45}, {L"Data Type", 200}, {L"Export", 55}, {L"Points", 55}});
    ShowStatus();
    return true;
}

HWND CHostWnd::AddChild(const wchar_t* className, const wchar_t* text, DWORD style, int id) {
    const HWND child = ::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                         m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                         ::GetModuleHandleW(nullptr), nullptr);
    if (child && m_font)
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    return child;
}

HWND CHostWnd::AddList(int id, std::initializer_list<std::pair<const wchar_t*, int>> columns) {
    const HWND list = AddChild(WC_LISTVIEWW, L"",
                               LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP, id);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    int index = 0;
    for (const auto& [heading, width] : columns) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(heading);
        column.cx = width;
        ListView_InsertColumn(list, index++, &column);
    }
    return list;
}

// Buttons in a row at the top, the tables below them taking most of the height, then the status lines
// and the list of what the graph window applied.
void CHostWnd::OnSize(int width, int height) {
    int x = kMargin;
    for (const HWND button : m_buttons) {
        ::MoveWindow(button, x, kMargin, kButtonWidth, kButtonHeight, TRUE);
        x += kButtonWidth + kMargin;
    }
    const int inner = std::max(width - 2 * kMargin, 0);
    int y = kMargin + kButtonHeight + kMargin;
    ::MoveWindow(m_tablesLabel, kMargin, y, inner, kLabelHeight, TRUE);
    y += kLabelHeight;
    const int statusHeight = static_cast<int>(m_status.size()) * kStatusRow;
    const int lists = std::max(height - y - statusHeight - kLabelHeight - 3 * kMargin, 120);
    const int tablesHeight = lists * 3 / 5;
    ::MoveWindow(::GetDlgItem(m_hWnd, IDC_HOST_TABLES), kMargin, y, inner, tablesHeight, TRUE);
    y += tablesHeight + kMargin;
    for (const auto& [label, value] : m_status) {
        ::MoveWindow(label, kMargin, y, kStatusLabelWidth, kStatusRow - 4, TRUE);
        ::MoveWindow(value, kMargin + kStatusLabelWidth, y, std::max(inner - kStatusLabelWidth, 0),
                     kStatusRow - 4, TRUE);
        y += kStatusRow;
    }
    y += kMargin;
    ::MoveWindow(m_appliedLabel, kMargin, y, inner, kLabelHeight, TRUE);
    y += kLabelHeight;
    ::MoveWindow(::GetDlgItem(m_hWnd, IDC_HOST_APPLIED), kMargin, y, inner,
                 std::max(height - y - kMargin, 40), TRUE);
}

void CHostWnd::OnCommand(int id) {
    if (!m_module)
        return;
    switch (id) {
    case IDC_HOST_QUERY:
        OnQuery();
        break;
    case IDC_HOST_SHOW_GRAPH:
        m_module->Graph_Show(m_hWnd);
        break;
    case IDC_HOST_HIDE_GRAPH:
        m_module->Graph_Hide();
        break;
    case IDC_HOST_DELETE_TEMP:
        m_module->DeleteTempFiles();
        break;
    default:
        return;
    }
    ShowStatus();
}

// The graph window shows copies of one result and, when it closes, removes the files of the module's
// current result. So it closes before a query: it would otherwise go on showing the old tables and, at
// its closing, delete the new result's job folder. A query that is then cancelled keeps its tables.
void CHostWnd::OnQuery() {
    m_module->Graph_Hide();
    if (m_module->Query())
        FillTables();
}

// Leaving the host leaves no job folder behind: the graph window is closed first (a host must, before
// releasing the module), then a calculated result's folder is removed; an imported file stays.
void CHostWnd::OnDestroy() {
    if (m_module) {
        m_module->Graph_Hide();
        m_module->DeleteTempFiles();
        KESTRUMMOD_Release(m_module);
        m_module = nullptr;
    }
    if (m_font)
        ::DeleteObject(m_font);
    m_font = nullptr;
    ::PostQuitMessage(0);
}

void CHostWnd::FillTables() {
    const HWND list = ::GetDlgItem(m_hWnd, IDC_HOST_TABLES);
    ListView_DeleteAllItems(list);
    int row = 0;
    for (const CMatPropData& series : m_module->m_series) {
        const auto [name, type, typeName] = Identity(NameOf(series), series.m_dataType);
        const bool any = !series.m_points.empty();
        SetRow(list, row++,
               {name, type, typeName, Integer(static_cast<long long>(series.m_points.size())),
                any ? Number(L"%.2f", series.m_points.front().x) : CString(L"-"),
                any ? Number(L"%.2f", series.m_points.back().x) : CString(L"-")});
    }
}

void CHostWnd::FillApplied() {
    const HWND list = ::GetDlgItem(m_hWnd, IDC_HOST_APPLIED);
    ListView_DeleteAllItems(list);
    int row = 0;
    for (const AppliedProp& prop : m_export.Applied()) {
        const auto [name, type, typeName] = Identity(prop.name, prop.dataType);
        SetRow(list, row++,
               {name, type, typeName, Integer(prop.exportFlag),
                Integer(static_cast<long long>(prop.pointCount))});
    }
}

// What the module says of its result. Solidus and liquidus are the temperatures (x) of the reader's
// single-point series 30 and 31; the shrinkage series 34 holds its percentage in both coordinates.
void CHostWnd::ShowStatus() {
    const wchar_t* path = m_module->GetPropFilePath();
    const bool hasFile = path && *path;
    ::SetDlgItemTextW(m_hWnd, IDC_HOST_RESULT_FILE, hasFile ? path : L"None");
    ::SetDlgItemTextW(m_hWnd, IDC_HOST_SOURCE,
                      !hasFile ? L"None" : (m_module->IsImported() ? L"Imported" : L"Calculated"));
    const auto show = [this](int id, int32_t type, bool useX, const wchar_t* format) {
        const CMatPropData* series = FirstOfType(*m_module, type);
        const GraphPoint* point = series ? &series->m_points.front() : nullptr;
        ::SetDlgItemTextW(m_hWnd, id, point ? Number(format, useX ? point->x : point->y).GetString() : L"-");
    };
    show(IDC_HOST_SOLIDUS, 30, true, L"%.2f C");
    show(IDC_HOST_LIQUIDUS, 31, true, L"%.2f C");
    show(IDC_HOST_SHRINKAGE, 34, false, L"%.2f %%");
}
