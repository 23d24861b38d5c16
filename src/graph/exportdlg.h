// CExportDlg: the modal "Apply..." list of the properties the host can take, each with a check box,
// its data type's name and its point count; the user clears the ones not to be handed over.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/controls.h"
#include "framework/dialog.h"

// One property offered to the host: the record the graph window and this dialog pass between them.
struct ExportItem {
    int32_t checked;  // 1 = hand the property over, 0 = leave it out
    int32_t dataType; // a KESTRUMMOD_DATATYPE value
    int32_t pointCount;
};
static_assert(sizeof(ExportItem) == 12);

class CExportDlg : public CDialog {
public:
    // The records are copied in; after IDOK m_items holds them with the check boxes' states.
    explicit CExportDlg(const std::vector<ExportItem>& items, CWnd* parent = nullptr);

    CListCtrl m_list;
    std::vector<ExportItem> m_items;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
