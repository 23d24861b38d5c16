#include "graph/exportdlg.h"

#include "framework/debugout.h"
#include "props/datatypes.h"
#include "res/resource.h"

namespace {

// Per column a width and the heading's string (0: none). A negative width fills what the others
// leave of the list's client width, less one pixel.
struct ExportColumn {
    int width;
    unsigned heading;
};
constexpr ExportColumn kColumns[] = {{23, 0}, {-1, IDS_EXPORT_PROPERTY_TYPE}, {100, IDS_EXPORT_DATA_COUNT}};

// State images of a list view with check boxes.
constexpr int kImageClear = 1;
constexpr int kImageChecked = 2;

} // namespace

CExportDlg::CExportDlg(const std::vector<ExportItem>& items, CWnd* parent)
    : CDialog(IDD_EXPORT, parent), m_items(items) {}

void CExportDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_EXPORT_LIST, m_list);
}

BOOL CExportDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);

    RECT client{};
    m_list.GetClientRect(&client);
    int tableWidths = 1;
    for (const ExportColumn& column : kColumns)
        tableWidths += column.width;
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        const ExportColumn& column = kColumns[i];
        CString heading;
        if (column.heading != 0)
            heading.LoadString(column.heading);
        const int width = column.width < 0 ? client.right - client.left - tableWidths : column.width;
        m_list.InsertColumn(i, heading.GetString(), LVCFMT_LEFT, width);
    }
    // No sorting or column sizing by the user.
    ::EnableWindow(m_list.GetHeaderCtrl(), FALSE);

    for (int i = 0; i < static_cast<int>(m_items.size()); ++i) {
        const ExportItem& item = m_items[static_cast<size_t>(i)];
        m_list.InsertItem(i, L"", i);
        // Any value other than 0 counts as checked, as it does for the host.
        m_list.SetItemState(i, INDEXTOSTATEIMAGEMASK(item.checked != 0 ? kImageChecked : kImageClear),
                            LVIS_STATEIMAGEMASK);
        const CString name = KESTRUMMOD_DataTypeToString(static_cast<KESTRUMMOD_DATATYPE>(item.dataType));
        DebugOutput((name + L"\n").GetString());
        m_list.SetItemText(i, 1, name.GetString());
        CString count;
        count.Format(L"%d", item.pointCount);
        m_list.SetItemText(i, 2, count.GetString());
    }
    m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetFocus();
    return FALSE; // the focus is set
}

void CExportDlg::OnOK() {
    const int rows = m_list.GetItemCount();
    // The list no longer matches the records: nothing is written back.
    if (rows != static_cast<int>(m_items.size())) {
        EndDialog(IDCANCEL);
        return;
    }
    for (int i = 0; i < rows; ++i) {
        const UINT image = m_list.GetItemState(i, LVIS_STATEIMAGEMASK) >> 12;
        m_items[static_cast<size_t>(i)].checked = image == kImageChecked ? 1 : 0;
    }
    EndDialog(IDOK);
}
