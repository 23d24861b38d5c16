// The input dialog driven as a person drives it: families, the composition typed through the list's
// editor, the message box, the calculation with the stand-in engine (beside this program, its data in
// "dbdata" there), the real file dialogs for material files and result imports.
#include <windows.h>

#include <filesystem>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "calc/catalogue.h"
#include "calc/job.h"
#include "calc/kestrumdlg.h"
#include "calc/matinput.h"
#include "framework/reschain.h"
#include "res/resource.h"
#include "support/testfiles.h"
#include "win32/jobtemp.h"
#include "win32/uiharness.h"

namespace {

const bool g_registered = (RegisterResourceModule(::GetModuleHandleW(nullptr)), true);

class InputDialog : public ::testing::Test {
protected:
    INT_PTR Run(CKestrumDlg& dialog, const std::function<void()>& script) {
        return RunModalScript([&] { return dialog.DoModal(); },
                              [&](CUiDriver& ui) {
                                  m_ui = &ui;
                                  ASSERT_TRUE(ui.WaitForDialog());
                                  script();
                              });
    }

    HWND List() const { return m_ui->Item(IDC_KESTRUM_COMPOSITION); }
    // What the dialog shows, as one line: the texts of the family, the boxes, the carbon equivalent and
    // the graphite type; the cast-iron controls enabled (+) or not (-), a checked one with "x"; the rows as
    // "symbol=value", a bold row's with "*" before it and "?" when the row's user data is not its element's
    // index.
    std::wstring State() {
        std::wstring line;
        for (const int id : {IDC_KESTRUM_FAMILY, IDC_KESTRUM_START, IDC_KESTRUM_END, IDC_KESTRUM_STEP,
                             IDC_KESTRUM_FRACTION, IDC_KESTRUM_CARBON_EQUIVALENT, IDC_KESTRUM_GRAPHITE})
            line += m_ui->Text(id) + L"|";
        for (const int id : {IDC_KESTRUM_GRAPHITE, IDC_KESTRUM_PEARLITIC, IDC_KESTRUM_AUSTENITIC}) {
            line += m_ui->Enabled(id) ? L"+" : L"-";
            line += ::SendMessageW(m_ui->Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED ? L"x" : L"";
        }
        const HWND list = List();
        m_ui->OnUiThread([&] {
            auto* styled = dynamic_cast<CListCtrlStyled*>(CWnd::FromHandle(list));
            for (int row = 0; row < styled->GetItemCount(); ++row) {
                const iLS_item* record = styled->GetRowRecord(row);
                const CString symbol = styled->GetItemText(row, 0);
                line += record->rowStyle && (record->rowStyle->style & LIS_BOLD) ? L" *" : L" ";
                line += symbol.Str() == ElementTable[styled->GetUserData(row) % kElementCount] ? L"" : L"?";
                line += symbol.Str() + L"=" + styled->GetItemText(row, 1).Str();
            }
        });
        return line;
    }
    // For each (symbol, value): clicks the element's row and types the value, which opens the list's
    // editor; Enter commits.
    void TypeValues(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> values) {
        for (const auto& [symbol, value] : values) {
            LVFINDINFOW find{};
            find.flags = LVFI_STRING;
            find.psz = symbol;
            const int row = ListView_FindItem(List(), -1, &find);
            ListView_EnsureVisible(List(), row, FALSE);
            RECT bounds{};
            ListView_GetItemRect(List(), row, &bounds, LVIR_BOUNDS);
            m_ui->ClickAt(List(), POINT{bounds.left + 10, (bounds.top + bounds.bottom) / 2});
            m_ui->Type(value);
            m_ui->PressKey(VK_RETURN);
        }
    }
    void SelectFamily(const wchar_t* name) {
        ::SendMessageW(m_ui->Item(IDC_KESTRUM_FAMILY), CB_SELECTSTRING, WPARAM(-1), LPARAM(name));
        m_ui->Notify(IDC_KESTRUM_FAMILY, CBN_SELCHANGE);
    }
    void SetText(int id, const wchar_t* text) { ::SetWindowTextW(m_ui->Item(id), text); }
    bool JobFolderLeft() const {
        const std::filesystem::path parent = m_jobTemp.JobParent();
        return std::filesystem::exists(parent) && !std::filesystem::is_empty(parent);
    }

    TempDir m_temp;
    CJobTemp m_jobTemp{m_temp.File(L"temp")};
    CKestrumDlg m_dialog{ProgramFolder().c_str()};
    CUiDriver* m_ui = nullptr;
};

TEST_F(InputDialog, OpensOnAluminiumThenCastIronBalancesTypedValuesAndStartCalcRunsWhatTheControlsShow) {
    const INT_PTR result = Run(m_dialog, [&] {
        // The families offered, each with its catalogue number.
        const HWND family = m_ui->Item(IDC_KESTRUM_FAMILY);
        const std::vector<std::wstring> names = ComboBoxItems(family);
        std::wstring families;
        for (size_t item = 0; item < names.size(); ++item)
            families += names[item] + L"=" + std::to_wstring(::SendMessageW(family, CB_GETITEMDATA, item, 0));
        EXPECT_EQ(
            families,
            L"Aluminium Alloy=0Magnesium Alloy=1Cast Iron=2Cobalt Alloy=4Nickel "
            L"Based Superalloy=5NiFe Based Superalloy=6Single Crystal=7Titanium Alloy=8Solder Alloy=10");
        EXPECT_EQ(State(),
                  L"Aluminium Alloy|700|27|5|0.01||Spheroidal|--x- *Al=100 Ca=0 Co=0 Cr=0 Cu=0 Fe=0 La=0 "
                  L"Mg=0 Mn=0 Ni=0 Pb=0 Sc=0 Si=0 Sn=0 Sr=0 Ti=0 V=0 Zn=0 Zr=0 B=0 C=0");
        EXPECT_TRUE(m_ui->Screenshot(L"kestrumdlg_open"));
        SelectFamily(L"Cast Iron");
        EXPECT_EQ(State(),
                  L"Cast Iron|1400|1000|5|0.01|0|Spheroidal|++x+ *Fe=100 Al=0 Cr=0 Cu=0 Mg=0 Mn=0 Ni=0 "
                  L"Si=0 Ti=0 V=0 C=0 Mo=0 Nb=0 Ta=0 N=0 P=0 S=0");
        TypeValues({{L"C", L"3.5"}, {L"Si", L"2.4"}, {L"P", L"0.03"}, {L"Mn", L"0.3"}});
        // 3.5 + (2.4 + 0.03) / 3 + 0.3 / 6, and 100 - 6.23, both in single precision.
        EXPECT_EQ(State(),
                  L"Cast Iron|1400|1000|5|0.01|4.36|Spheroidal|++x+ *Fe=93.77 Al=0 Cr=0 Cu=0 Mg=0 Mn=0.3 "
                  L"Ni=0 Si=2.4 Ti=0 V=0 C=3.5 Mo=0 Nb=0 Ta=0 N=0 P=0.03 S=0");
        EXPECT_TRUE(m_ui->Screenshot(L"kestrumdlg_castiron"));

        ::SendMessageW(m_ui->Item(IDC_KESTRUM_GRAPHITE), CB_SETCURSEL, 2, 0);
        EXPECT_TRUE(m_ui->Click(IDC_KESTRUM_AUSTENITIC));
        SetText(IDC_KESTRUM_START, L"1350");
        SetText(IDC_KESTRUM_STEP, L"10");
        SetText(IDC_KESTRUM_FRACTION, L"x");
        EXPECT_TRUE(RunCalculation(*m_ui));
    });
    ASSERT_EQ(result, IDOK);
    const wchar_t* job = m_dialog.GetCondition().resPath;
    EXPECT_EQ(std::tuple(m_dialog.GetResultKind(), m_dialog.GetResultPath()),
              std::tuple(1, GetJobResultPath(job)));

    // The engine's input holds what the controls showed; text that is no number reads as 0.
    MatCondition in;
    ASSERT_EQ(LoadMatCondition(GetJobInputPath(job), &in).status, 1);
    EXPECT_EQ(std::tuple(in.materialType, in.tempStart, in.tempEnd, in.tempStep, in.fractionLimit,
                         in.graphiteType, in.pearlitic, in.compositions[5], in.compositions[29],
                         std::wstring(in.dataPath)),
              std::tuple(2, KelvinFromCelsius(1350), 1273.15f, -10.0f, 0.0f, 2, 0,
                         MatCompoEntry{1, 1, 100.0f - (0.3f + 2.4f + 3.5f + 0.03f)},
                         MatCompoEntry{0, 1, 0.03f}, ProgramFolder() + L"dbdata\\"));
}

// The message ends the dialog as cancelled.
TEST_F(InputDialog, AFullCompositionIsRejectedWithTheMessageAndNoJobFolder) {
    // Other rows at exactly 100 leave 0 for the base; above 100 they leave a negative base.
    for (const auto& [copper, balance] : {std::pair{L"40", L" *Al=0 "}, std::pair{L"50", L" *Al=-10 "}}) {
        CKestrumDlg dialog(ProgramFolder().c_str());
        std::wstring message;
        const INT_PTR result = Run(dialog, [&] {
            TypeValues({{L"Si", L"60"}, {L"Cu", copper}});
            EXPECT_NE(State().find(balance), std::wstring::npos);
            ASSERT_TRUE(m_ui->Click(IDOK) && m_ui->WaitForPopup());
            message = m_ui->MessageText();
            EXPECT_TRUE(m_ui->Screenshot(L"kestrumdlg_message"));
            EXPECT_TRUE(m_ui->Click(IDOK) && m_ui->ReturnFromPopup());
        });
        EXPECT_EQ(std::tuple(message, result, dialog.GetCondition().resPath[0], JobFolderLeft()),
                  std::tuple(L"Composition 이 잘못되었습니다.", IDCANCEL, L'\0', false));
    }
}

TEST_F(InputDialog, SaveAndLoadGoThroughTheFileDialogsLoadingKeepsAFamilyNotOfferedAndAFailedImportNothing) {
    const std::wstring saved = m_temp.File(L"cast"), steel = m_temp.File(L"steel.vjp"),
                       noBase = m_temp.File(L"nobase.vjp"), steelSaved = m_temp.File(L"steel-saved.vjp");
    MatCondition document{.materialType = 3, .tempStart = 1773.15f, .tempEnd = 873.15f, .tempStep = -2.5f};
    document.compositions[5] = {1, 1, 70};
    document.compositions[3] = {0, 1, 18};
    document.compositions[9] = {0, 1, 8};
    ASSERT_EQ(SaveMatCondition(steel.c_str(), &document), 1);
    document.compositions[5].base = 0;
    ASSERT_EQ(SaveMatCondition(noBase.c_str(), &document), 1);

    const INT_PTR result = Run(m_dialog, [&] {
        SelectFamily(L"Cast Iron");
        TypeValues({{L"C", L"3.2"}});
        SetText(IDC_KESTRUM_START, L"1380");
        ::SendMessageW(m_ui->Item(IDC_KESTRUM_GRAPHITE), CB_SETCURSEL, 1, 0);
        // Typed without an extension: the file is a material file all the same.
        ASSERT_TRUE(m_ui->ChooseFileFrom(IDC_KESTRUM_SAVE, saved));
        SelectFamily(L"Aluminium Alloy");
        const std::wstring aluminium = State();
        ASSERT_TRUE(m_ui->ChooseFileFrom(IDC_KESTRUM_LOAD, L""));
        EXPECT_EQ(State(), aluminium) << "a cancelled load changes nothing";

        ASSERT_TRUE(m_ui->ChooseFileFrom(IDC_KESTRUM_LOAD, saved + L".vjp"));
        EXPECT_EQ(State(),
                  L"Cast Iron|1380|1000|5|0.01|3.2|Compacted|++x+ *Fe=96.8 Al=0 Cr=0 Cu=0 Mg=0 Mn=0 Ni=0 "
                  L"Si=0 Ti=0 V=0 C=3.2 Mo=0 Nb=0 Ta=0 N=0 P=0 S=0");

        // Family 3 is not offered: the selection stays, and the next collection stores the selected one.
        ASSERT_TRUE(m_ui->ChooseFileFrom(IDC_KESTRUM_LOAD, steel));
        EXPECT_EQ(State(), L"Cast Iron|1500|600|2.5|0|0|Compacted|++x+ *Fe=74 Cr=18 Ni=8");
        ASSERT_TRUE(m_ui->ChooseFileFrom(IDC_KESTRUM_SAVE, steelSaved));

        // No base element: element order, nothing bold, the first row takes the balance.
        ASSERT_TRUE(m_ui->ChooseFileFrom(IDC_KESTRUM_LOAD, noBase));
        const std::wstring noBaseState = State();
        EXPECT_EQ(noBaseState, L"Cast Iron|1500|600|2.5|0|0|Compacted|++x+ Cr=22 Fe=70 Ni=8");
        // A JMatPro file (of any case) that cannot be read leaves the dialog as it was.
        ASSERT_TRUE(m_ui->ChooseFileFrom(IDC_KESTRUM_LOAD_RESULT, m_temp.File(L"missing.DAT")));
        EXPECT_EQ(State(), noBaseState);
        m_ui->Click(IDCANCEL);
    });
    EXPECT_EQ(std::tuple(result, m_dialog.GetResultPath().Str()), std::tuple(IDCANCEL, L""));
    MatCondition record, steelRecord;
    ASSERT_EQ(LoadMatCondition((saved + L".vjp").c_str(), &record).status, 1);
    ASSERT_EQ(LoadMatCondition(steelSaved.c_str(), &steelRecord).status, 1);
    EXPECT_EQ(std::tuple(record.materialType, record.tempStart, record.graphiteType, record.pearlitic,
                         record.compositions[5], record.resPath[0] != L'\0', steelRecord.materialType),
              std::tuple(2, KelvinFromCelsius(1380), 1, 1, MatCompoEntry{1, 1, 100.0f - 3.2f}, true, 2));
    EXPECT_FALSE(JobFolderLeft()) << "saving names a job folder but never creates it";
}

} // namespace
