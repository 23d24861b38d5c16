#include "calc/kestrumdlg.h"

#include <algorithm>
#include <vector>

#include "calc/catalogue.h"
#include "calc/job.h"
#include "calc/matinput.h"
#include "calc/runcalc.h"
#include "framework/filedlg.h"
#include "framework/numparse.h"
#include "res/resource.h"
#include "results/resultfile.h"

namespace {

constexpr wchar_t kCompositionMessage[] = L"Composition 이 잘못되었습니다.";
constexpr wchar_t kResultFilter[] =
    L"Vantrel Kestrum Output File(*.out)|*.out|JMatPro Output File(*.dat)|*.dat||";
constexpr wchar_t kMaterialFilter[] = L"Vantrel Kestrum Material File(*.vjp)|*.vjp||";
constexpr wchar_t kPresetFilter[] = L"Vantrel Kestrum Preset File(*.vjp)|*.vjp||";
constexpr wchar_t kMaterialExtension[] = L"*.vjp";
// Column 0 of the composition list; column 1 takes the rest of the list's width.
constexpr int kElementColumnWidth = 60;

CString FormatGeneral(double value) {
    CString text;
    text.Format(L"%g", value);
    return text;
}

// A box's text as a number; text that is not one reads as 0.
double ReadNumber(const CWnd& box) {
    return ParseLeadingDouble(box.GetWindowText());
}

// Asks for a file with the system's open or save dialog over `parent`; false when the user cancelled.
bool AskForFile(CWnd* parent, BOOL open, LPCWSTR defaultExtension, LPCWSTR filter, CString* path) {
    CFileDialog dialog(open, defaultExtension, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter,
                       parent);
    if (dialog.DoModal() != IDOK)
        return false;
    *path = dialog.GetPathName();
    return true;
}

} // namespace

CKestrumDlg::CKestrumDlg(const wchar_t* workingPath, CWnd* parent)
    : CDialog(IDD_KESTRUM, parent), m_workingPath(workingPath) {}

void CKestrumDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_KESTRUM_CARBON_EQUIVALENT, m_carbonEquivalent);
    DDX_Control(dx, IDC_KESTRUM_COMPOSITION, m_composition);
    DDX_Control(dx, IDC_KESTRUM_GRAPHITE, m_graphite);
    DDX_Control(dx, IDC_KESTRUM_FRACTION, m_fractionLimit);
    DDX_Control(dx, IDC_KESTRUM_STEP, m_step);
    DDX_Control(dx, IDC_KESTRUM_END, m_end);
    DDX_Control(dx, IDC_KESTRUM_START, m_start);
    DDX_Control(dx, IDC_KESTRUM_FAMILY, m_family);
    DDX_Control(dx, IDC_KESTRUM_PEARLITIC, m_pearlitic);
    DDX_Control(dx, IDC_KESTRUM_AUSTENITIC, m_austenitic);
    DDX_Radio(dx, IDC_KESTRUM_PEARLITIC, m_matrix);
}

BOOL CKestrumDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    wchar_t name[kCatalogueNameMax + 1];
    for (uint32_t family = 0; family < kMaterialTypeCount; ++family) {
        if (!IsMaterialTypeOffered(family) || !GetMaterialTypeName(family, name))
            continue;
        m_family.SetItemData(m_family.AddString(name), family);
    }
    m_family.SetCurSel(0);
    ApplyFamilyDefaults(SelectedFamily());

    for (uint32_t graphite = 0; graphite < kGraphiteTypeCount; ++graphite) {
        if (GetGraphiteTypeName(graphite, name))
            m_graphite.SetItemData(m_graphite.AddString(name), graphite);
    }
    m_graphite.SetCurSel(0);

    CString element;
    CString composition;
    element.LoadString(IDS_KESTRUM_ELEMENT);
    composition.LoadString(IDS_KESTRUM_COMPOSITION);
    RECT client;
    m_composition.GetClientRect(&client);
    m_composition.InsertColumn(0, element, LVCFMT_LEFT, kElementColumnWidth);
    m_composition.InsertColumn(1, composition, LVCFMT_LEFT, client.right - client.left - kElementColumnWidth);
    m_composition.SetColumnKind(0, LVK_NOT_EDITABLE);
    m_composition.SetColumnKind(1, LVK_NUMERIC_EDIT);
    m_composition.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    m_composition.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);

    GetDefaultComposition(static_cast<uint32_t>(SelectedFamily()), m_condition.compositions);
    ShowComposition();
    return TRUE;
}

BOOL CKestrumDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT code = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case IDC_KESTRUM_FAMILY:
        if (code != CBN_SELCHANGE)
            break;
        OnFamilyChange();
        return TRUE;
    case IDC_KESTRUM_LOAD_RESULT:
    case IDC_KESTRUM_SAVE:
    case IDC_KESTRUM_LOAD:
        if (code != BN_CLICKED)
            break;
        if (LOWORD(wParam) == IDC_KESTRUM_LOAD_RESULT)
            OnLoadResult();
        else if (LOWORD(wParam) == IDC_KESTRUM_SAVE)
            OnSave();
        else
            OnLoad();
        return TRUE;
    default:
        break;
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CKestrumDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    // The in-place editor signs its notice with its own control ID; the list it edits is what counts.
    if (header->code == LVN_ENDLABELEDITW && header->hwndFrom == m_composition.m_hWnd) {
        *result = OnEndCompositionEdit(reinterpret_cast<const NMLVDISPINFOW*>(lParam));
        return TRUE;
    }
    return CDialog::OnNotify(wParam, lParam, result);
}

int CKestrumDlg::SelectedFamily() const {
    const int selection = m_family.GetCurSel();
    return selection < 0 ? -1 : static_cast<int>(m_family.GetItemData(selection));
}

void CKestrumDlg::ApplyFamilyDefaults(int family) {
    float defaults[4];
    if (GetMaterialDefaults(static_cast<uint32_t>(family), defaults))
        ShowTemperatures(defaults[0], defaults[1], defaults[2], defaults[3]);
    const BOOL castIron = family == kCastIronFamily;
    m_graphite.EnableWindow(castIron);
    m_pearlitic.EnableWindow(castIron);
    m_austenitic.EnableWindow(castIron);
}

void CKestrumDlg::ShowTemperatures(float start, float end, float step, float fractionLimit) {
    m_start.SetWindowText(FormatGeneral(CelsiusFromKelvin(start)));
    m_end.SetWindowText(FormatGeneral(CelsiusFromKelvin(end)));
    m_step.SetWindowText(FormatGeneral(-step));
    m_fractionLimit.SetWindowText(FormatGeneral(fractionLimit));
}

void CKestrumDlg::OnFamilyChange() {
    const int family = SelectedFamily();
    ApplyFamilyDefaults(family);
    GetDefaultComposition(static_cast<uint32_t>(family), m_condition.compositions);
    ShowComposition();
}

void CKestrumDlg::ShowComposition() {
    m_composition.DeleteAllItems();
    wchar_t symbol[kCatalogueNameMax + 1];
    for (int element = 0; element < kMatElementCount; ++element) {
        const MatCompoEntry& entry = m_condition.compositions[element];
        if (entry.present != 1 || !GetElementName(static_cast<uint32_t>(element), symbol))
            continue;
        int row;
        if (entry.base == 1) {
            row = m_composition.InsertEmptyRow(0);
            m_composition.BoldFirstRow();
        } else {
            row = m_composition.InsertEmptyRow(m_composition.GetItemCount());
        }
        m_composition.SetItemText(row, 0, symbol);
        m_composition.SetItemText(row, 1, FormatGeneral(entry.compo));
        m_composition.SetUserData(row, element);
    }
    Rebalance();
}

void CKestrumDlg::Rebalance() {
    const int count = m_composition.GetItemCount();
    if (count == 0)
        return;
    std::vector<int32_t> rows(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row)
        rows[static_cast<size_t>(row)] = static_cast<int32_t>(m_composition.GetUserData(row));
    const CompositionSum sum = SumComposition(m_condition.compositions, rows);
    if (SelectedFamily() == kCastIronFamily)
        m_carbonEquivalent.SetWindowText(FormatGeneral(sum.CarbonEquivalent()));
    else
        m_carbonEquivalent.SetWindowText(L"");
    SetCompositionValue(rows.front(), sum.Balance());
}

void CKestrumDlg::SetCompositionValue(int element, float value) {
    if (element < 0 || element >= kMatElementCount)
        return;
    MatCompoEntry& entry = m_condition.compositions[element];
    if (entry.present != 1)
        return;
    const int count = m_composition.GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (m_composition.GetUserData(row) != element)
            continue;
        m_composition.SetItemText(row, 1, FormatGeneral(value));
        entry.compo = value;
        return;
    }
}

LRESULT CKestrumDlg::OnEndCompositionEdit(const NMLVDISPINFOW* info) {
    if (!m_composition.GetRowRecord(info->item.iItem))
        return 0;
    const int element = static_cast<int>(m_composition.GetUserData(info->item.iItem));
    const float value =
        info->item.pszText ? static_cast<float>(ParseLeadingDouble(info->item.pszText)) : 0.0f;
    // An edit of the balance row is overwritten by the balance at once.
    SetCompositionValue(element, value);
    Rebalance();
    return 0;
}

BOOL CKestrumDlg::CollectInput() {
    if (m_composition.GetItemCount() == 0)
        return FALSE;
    const int balanceElement = static_cast<int>(m_composition.GetUserData(0));
    if (balanceElement < 0 || balanceElement >= kMatElementCount ||
        !IsBalanceAcceptable(m_condition.compositions[balanceElement].compo))
        return FALSE;
    UpdateData(TRUE);

    // No range checks: the engine is given what the boxes say.
    m_condition.materialType = SelectedFamily();
    m_condition.tempStart = KelvinFromCelsius(ReadNumber(m_start));
    m_condition.tempEnd = KelvinFromCelsius(ReadNumber(m_end));
    m_condition.tempStep = static_cast<float>(ReadNumber(m_step)) * -1.0f;
    m_condition.fractionLimit = static_cast<float>(ReadNumber(m_fractionLimit));
    if (m_condition.materialType == kCastIronFamily) {
        m_condition.graphiteType = static_cast<int32_t>(m_graphite.GetItemData(m_graphite.GetCurSel()));
        m_condition.pearlitic = m_matrix == 1 ? 0 : 1;
    }

    CString dataPath;
    dataPath.Format(L"%sdbdata\\", m_workingPath.GetString());
    // A record's folder field takes what fits; a working path that long is no path the system can use.
    CopyToField(m_condition.dataPath, dataPath.GetString());
    CopyToField(m_condition.resPath, CreateJobFolderName().GetString());
    return TRUE;
}

void CKestrumDlg::OnOK() {
    if (!CollectInput()) {
        MessageBox(kCompositionMessage, nullptr, MB_OK);
        EndDialog(IDCANCEL);
        return;
    }
    // The job step removes the job folder itself after any run that did not end with "Close".
    CString resultPath;
    if (RunCalculationJob(m_condition, &resultPath, this) != IDOK) {
        EndDialog(IDCANCEL);
        return;
    }
    EndWithResult(resultPath, 1);
}

void CKestrumDlg::EndWithResult(const CString& path, int kind) {
    m_resultPath = path;
    m_resultKind = kind;
    EndDialog(IDOK);
}

void CKestrumDlg::OnLoadResult() {
    CString path;
    if (!AskForFile(this, TRUE, nullptr, kResultFilter, &path))
        return;
    CString converted = path;
    if (CString(FileExtension(path.Str())).CompareNoCase(L".dat") == 0) {
        // JMatPro output becomes an engine result file beside it; a file that cannot be read or
        // written leaves the dialog as it was, without a word.
        CMatProps set;
        converted += L".out";
        if (!ReadResultFile(path, set, kFormatJMatPro) || !WriteResultFile(converted, set))
            return;
    }
    EndWithResult(converted, 0);
}

void CKestrumDlg::OnSave() {
    CString chosen;
    if (!AskForFile(this, FALSE, kMaterialExtension, kMaterialFilter, &chosen))
        return;
    // The file dialog appends the default extension to a name typed without one, but that is the
    // platform's dialog deciding; a material file saved from here always ends in ".vjp" all the same.
    const std::wstring path = WithDefaultExtension(chosen.Str(), L".vjp");
    // With a balance that cannot be calculated the record goes out as it was collected last.
    CollectInput();
    SaveMatCondition(path.c_str(), &m_condition);
}

void CKestrumDlg::OnLoad() {
    CString path;
    if (!AskForFile(this, TRUE, kMaterialExtension, kPresetFilter, &path))
        return;
    MatCondition loaded;
    if (!LoadMatCondition(path, &loaded))
        return;
    m_condition = loaded;

    // A family the list does not offer keeps the selection as it is.
    const int count = m_family.GetCount();
    for (int item = 0; item < count; ++item) {
        if (static_cast<int>(m_family.GetItemData(item)) != m_condition.materialType)
            continue;
        if (item != m_family.GetCurSel()) {
            m_family.SetCurSel(item);
            ApplyFamilyDefaults(m_condition.materialType);
        }
        break;
    }
    ShowTemperatures(m_condition.tempStart, m_condition.tempEnd, m_condition.tempStep,
                     m_condition.fractionLimit);
    ShowComposition();
}
