// CKestrumDlg: the input dialog of a query. The user picks a family, edits a composition that always
// balances to 100 %, sets the temperature range, step and fraction limit, saves or loads a material
// condition, and either starts the calculation or imports an earlier result file.
#pragma once

#include "controls/listctrlstyled.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "xml/matcondition.h"

class CKestrumDlg : public CDialog {
public:
    // `workingPath` is the module's, ending in a separator: the engine's data lie in its "dbdata\".
    explicit CKestrumDlg(const wchar_t* workingPath, CWnd* parent = nullptr);

    // After IDOK: the result file, and 1 when this dialog calculated it, 0 when the user imported it.
    const CString& GetResultPath() const { return m_resultPath; }
    int GetResultKind() const { return m_resultKind; }
    // The working record: the input as last collected, the composition as last shown.
    const MatCondition& GetCondition() const { return m_condition; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // "Start Calc".
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void OnFamilyChange();
    LRESULT OnEndCompositionEdit(const NMLVDISPINFOW* info);
    void OnLoadResult();
    void OnSave();
    void OnLoad();

    // The family index of the family list's selection, -1 when nothing is selected.
    int SelectedFamily() const;
    void ApplyFamilyDefaults(int family);
    void ShowTemperatures(float start, float end, float step, float fractionLimit);
    void ShowComposition();
    void Rebalance();
    void SetCompositionValue(int element, float value);
    // Closes with IDOK handing the query a result file: kind 1 calculated here, 0 imported.
    void EndWithResult(const CString& path, int kind);
    // Takes the controls into the record and names a new job folder; FALSE (and nothing changed) when
    // the balance element's value cannot be calculated with.
    BOOL CollectInput();

    MatCondition m_condition;
    CString m_workingPath;
    CEdit m_carbonEquivalent;
    CListCtrlStyled m_composition;
    CComboBox m_graphite;
    CEdit m_fractionLimit;
    CEdit m_step;
    CEdit m_end;
    CEdit m_start;
    CComboBox m_family;
    CButton m_pearlitic;
    CButton m_austenitic;
    int m_matrix = 0; // the checked radio button: 0 pearlitic, 1 austenitic or ferritic
    int m_resultKind = 1;
    CString m_resultPath;
};
