// The input dialog driven as a person drives it: families, the composition typed through the list's
// editor, the message box, the calculation with the stand-in engine (beside this program, its data in
// "dbdata" there), the real file dialogs for material files and result imports.
#include <windows.h>

#include <cwchar>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "calc/catalogue.h"
#include "calc/job.h"
#include "calc/kestrumdlg.h"
#include "calc/matinput.h"
#include "framework/reschain.h"
#include "res/resource.h"
#include "results/resultfile.h"
#include "support/testfiles.h"
#include "win32/uiharness.h"

namespace {

const bool g_registered = (RegisterResourceModule(::GetModuleHandleW(nullptr)), true);

// This program's folder, with a trailing separator: the engine and its data lie there.
std::wstring ProgramFolder() {
    wchar_t program[2048];
    const std::wstring path(program, ::GetModuleFileNameW(nullptr, program, 2048));
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

class InputDialog : public ::testing::Test {
protected:
    // Job folders go to the test's own temporary folder, where what is left behind can be seen.
    InputDialog() : m_jobTemp(m_temp.File(L"temp")) {
        std::filesystem::create_directory(m_jobTemp);
        ::GetEnvironmentVariableW(L"TMP", m_savedTmp, MAX_PATH);
        ::SetEnvironmentVariableW(L"TMP", m_jobTemp.c_str());
    }
    ~InputDialog() override { ::SetEnvironmentVariableW(L"TMP", m_savedTmp[0] ? m_savedTmp : nullptr); }

    INT_PTR Run(CKestrumDlg& dialog, const std::function<void()>& script) {
        return RunModalScript([&] { return dialog.DoModal(); },
                              [&](CUiDriver& ui) {
                                  m_ui = &ui;
                                  ASSERT_TRUE(ui.WaitForDialog());
                                  script();
                              });
    }

    HWND List() const { return m_ui->Item(IDC_KESTRUM_COMPOSITION); }
    // The rows as "symbol=value", a bold row's with a "*" before it; a row whose record does not keep
    // its element's index shows "?".
    std::wstring Rows() {
        std::wstring rows;
        const HWND list = List();
        m_ui->OnUiThread([&] {
            auto* styled = dynamic_cast<CListCtrlStyled*>(CWnd::FromHandle(list));
            for (int row = 0; row < styled->GetItemCount(); ++row) {
                const iLS_item* record = styled->GetRowRecord(row);
                const CString symbol = styled->GetItemText(row, 0);
                rows += row ? L" " : L"";
                rows += record->rowStyle && (record->rowStyle->style & LIS_BOLD) ? L"*" : L"";
                rows += symbol.Str() == ElementTable[styled->GetUserData(row) % kElementCount] ? L"" : L"?";
                rows += symbol.Str() + L"=" + styled->GetItemText(row, 1).Str();
            }
        });
        return rows;
    }
    // Selects the element's row and types the value on it, which opens the list's editor; Enter commits.
    void TypeValue(const std::wstring& symbol, const std::wstring& value) {
        LVFINDINFOW find{};
        find.flags = LVFI_STRING;
        find.psz = symbol.c_str();
        const WPARAM row =
            static_cast<WPARAM>(::SendMessageW(List(), LVM_FINDITEMW, WPARAM(-1), LPARAM(&find)));
        ::SendMessageW(List(), LVM_ENSUREVISIBLE, row, FALSE);
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        ::SendMessageW(List(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
        m_ui->ClickAt(List(), POINT{bounds.left + 10, (bounds.top + bounds.bottom) / 2});
        m_ui->Type(value);
        m_ui->PressKey(VK_RETURN);
    }
    void SelectFamily(const wchar_t* name) {
        ::SendMessageW(m_ui->Item(IDC_KESTRUM_FAMILY), CB_SELECTSTRING, WPARAM(-1), LPARAM(name));
        m_ui->Notify(IDC_KESTRUM_FAMILY, CBN_SELCHANGE);
    }
    // The selected family, the four boxes, the carbon equivalent and whether the cast-iron controls
    // are enabled, as one line.
    std::wstring Controls() const {
        std::wstring line;
        for (const int id : {IDC_KESTRUM_FAMILY, IDC_KESTRUM_START, IDC_KESTRUM_END, IDC_KESTRUM_STEP,
                             IDC_KESTRUM_FRACTION, IDC_KESTRUM_CARBON_EQUIVALENT})
            line += m_ui->Text(id) + L"|";
        for (const int id : {IDC_KESTRUM_GRAPHITE, IDC_KESTRUM_PEARLITIC, IDC_KESTRUM_AUSTENITIC})
            line += m_ui->Enabled(id) ? L"on" : L"off";
        return line;
    }
    void SetText(int id, const wchar_t* text) { ::SetWindowTextW(m_ui->Item(id), text); }
    // Opens a file dialog with a button and chooses `path` in it (cancels it for an empty path).
    void ThroughFileDialog(int button, const std::wstring& path) {
        ASSERT_TRUE(m_ui->Click(button));
        ASSERT_TRUE(m_ui->WaitForPopup());
        if (path.empty())
            m_ui->Click(IDCANCEL);
        else
            m_ui->ChooseFile(path);
        ASSERT_TRUE(m_ui->ReturnFromPopup());
    }
    bool JobFolderLeft() const {
        const std::filesystem::path parent = std::filesystem::path(m_jobTemp) / L"Kestrum";
        return std::filesystem::exists(parent) && !std::filesystem::is_empty(parent);
    }

    TempDir m_temp;
    std::wstring m_jobTemp;
    wchar_t m_savedTmp[MAX_PATH] = {};
    CKestrumDlg m_dialog{ProgramFolder().c_str()};
    CUiDriver* m_ui = nullptr;
};

constexpr wchar_t kCastIronDefaults[] =
    L"*Fe=100 Al=0 Cr=0 Cu=0 Mg=0 Mn=0 Ni=0 Si=0 Ti=0 V=0 C=0 Mo=0 Nb=0 Ta=0 N=0 P=0 S=0";

TEST_F(InputDialog, OpensWithTheOfferedFamiliesAluminiumDefaultsAndCastIronControlsDisabled) {
    const INT_PTR result = Run(m_dialog, [&] {
        wchar_t caption[64] = {};
        ::GetWindowTextW(m_ui->Dialog(), caption, 64);
        EXPECT_STREQ(caption, L"Kestrum Input Dialog");
        std::wstring families;
        const HWND family = m_ui->Item(IDC_KESTRUM_FAMILY);
        for (WPARAM item = 0; item < static_cast<WPARAM>(::SendMessageW(family, CB_GETCOUNT, 0, 0)); ++item) {
            wchar_t name[64] = {};
            ::SendMessageW(family, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(name));
            families += std::wstring(name) + L"=" +
                        std::to_wstring(::SendMessageW(family, CB_GETITEMDATA, item, 0)) + L",";
        }
        EXPECT_EQ(families,
                  L"Aluminium Alloy=0,Magnesium Alloy=1,Cast Iron=2,Cobalt Alloy=4,Nickel Based "
                  L"Superalloy=5,NiFe Based Superalloy=6,Single Crystal=7,Titanium Alloy=8,Solder Alloy=10,");
        EXPECT_EQ(Controls(), L"Aluminium Alloy|700|27|5|0.01||offoffoff");
        EXPECT_EQ(m_ui->Text(IDC_KESTRUM_GRAPHITE), L"Spheroidal");
        EXPECT_EQ(::SendMessageW(m_ui->Item(IDC_KESTRUM_PEARLITIC), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(Rows(),
                  L"*Al=100 Ca=0 Co=0 Cr=0 Cu=0 Fe=0 La=0 Mg=0 Mn=0 Ni=0 Pb=0 Sc=0 Si=0 Sn=0 Sr=0 Ti=0 V=0 "
                  L"Zn=0 Zr=0 B=0 C=0");
        EXPECT_EQ(::SendMessageW(List(), LVM_GETCOLUMNWIDTH, 0, 0), 60);
        EXPECT_TRUE(m_ui->Screenshot(L"kestrumdlg_open"));
        m_ui->Click(IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(InputDialog, CastIronBalancesTypedValuesAndStartCalcRunsTheEngineOnWhatTheControlsShow) {
    const INT_PTR result = Run(m_dialog, [&] {
        SelectFamily(L"Cast Iron");
        EXPECT_EQ(Controls(), L"Cast Iron|1400|1000|5|0.01|0|ononon");
        EXPECT_EQ(Rows(), kCastIronDefaults);
        TypeValue(L"C", L"3.5");
        TypeValue(L"Si", L"2.4");
        TypeValue(L"P", L"0.03");
        TypeValue(L"Mn", L"0.3");
        // 3.5 + (2.4 + 0.03) / 3 + 0.3 / 6, and 100 - 6.23, both in single precision.
        EXPECT_EQ(Controls(), L"Cast Iron|1400|1000|5|0.01|4.36|ononon");
        EXPECT_EQ(
            Rows(),
            L"*Fe=93.77 Al=0 Cr=0 Cu=0 Mg=0 Mn=0.3 Ni=0 Si=2.4 Ti=0 V=0 C=3.5 Mo=0 Nb=0 Ta=0 N=0 P=0.03 S=0");
        EXPECT_TRUE(m_ui->Screenshot(L"kestrumdlg_castiron"));

        ::SendMessageW(m_ui->Item(IDC_KESTRUM_GRAPHITE), CB_SETCURSEL, 2, 0);
        EXPECT_TRUE(m_ui->Click(IDC_KESTRUM_AUSTENITIC));
        SetText(IDC_KESTRUM_START, L"1350");
        SetText(IDC_KESTRUM_STEP, L"10");
        SetText(IDC_KESTRUM_FRACTION, L"x");
        ASSERT_TRUE(m_ui->Click(IDOK));
        ASSERT_TRUE(m_ui->WaitForPopup());
        ASSERT_TRUE(m_ui->WaitFor([&] { return m_ui->Enabled(IDOK); }, 120000));
        EXPECT_NE(m_ui->Text(IDC_CONSOLE_OUTPUT).find(L"Exit Code: 0"), std::wstring::npos);
        EXPECT_TRUE(m_ui->RepeatUntilClosed([&] { m_ui->Click(IDOK); }));
        EXPECT_TRUE(m_ui->ReturnFromPopup());
    });
    ASSERT_EQ(result, IDOK);
    EXPECT_EQ(m_dialog.GetResultKind(), 1);
    const wchar_t* job = m_dialog.GetCondition().resPath;
    EXPECT_EQ(m_dialog.GetResultPath(), GetJobResultPath(job));
    EXPECT_TRUE(std::filesystem::exists(m_dialog.GetResultPath().Str()));

    // The engine's input holds what the controls showed; text that is no number reads as 0.
    MatCondition input;
    ASSERT_EQ(LoadMatCondition(GetJobInputPath(job), &input), 1);
    EXPECT_EQ(input.materialType, 2);
    EXPECT_EQ(input.tempStart, KelvinFromCelsius(1350));
    EXPECT_EQ(input.tempEnd, 1273.15f);
    EXPECT_EQ(input.tempStep, -10.0f);
    EXPECT_EQ(input.fractionLimit, 0.0f);
    EXPECT_EQ(input.graphiteType, 2);
    EXPECT_EQ(input.pearlitic, 0);
    EXPECT_EQ(input.compositions[5], (MatCompoEntry{1, 1, 100.0f - (0.3f + 2.4f + 3.5f + 0.03f)}));
    EXPECT_EQ(input.compositions[29], (MatCompoEntry{0, 1, 0.03f}));
    EXPECT_EQ(std::wstring(input.dataPath), ProgramFolder() + L"dbdata\\");
}

TEST_F(InputDialog, AFullCompositionIsRejectedWithTheMessageAndNoJobFolder) {
    // Other rows at exactly 100 leave 0 for the base; above 100 they leave a negative base.
    for (const auto& [copper, balance] : {std::pair{L"40", L"0"}, std::pair{L"50", L"-10"}}) {
        CKestrumDlg dialog(ProgramFolder().c_str());
        std::wstring message;
        const INT_PTR result = Run(dialog, [&] {
            TypeValue(L"Si", L"60");
            TypeValue(L"Cu", copper);
            EXPECT_EQ(Rows().substr(0, 5 + wcslen(balance)), std::wstring(L"*Al=") + balance + L" ");
            ASSERT_TRUE(m_ui->Click(IDOK));
            ASSERT_TRUE(m_ui->WaitForPopup());
            message = m_ui->MessageText();
            EXPECT_TRUE(m_ui->Screenshot(L"kestrumdlg_message"));
            EXPECT_TRUE(m_ui->Click(IDOK));
            EXPECT_TRUE(m_ui->ReturnFromPopup());
        });
        EXPECT_EQ(message, L"Composition 이 잘못되었습니다.");
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(dialog.GetCondition().resPath[0], L'\0');
        EXPECT_FALSE(JobFolderLeft());
    }
}

TEST_F(InputDialog, SaveAndLoadGoThroughTheFileDialogsAndLoadingKeepsAFamilyNotOffered) {
    const std::wstring saved = m_temp.File(L"cast"), steel = m_temp.File(L"steel.vjp"),
                       noBase = m_temp.File(L"nobase.vjp"), steelSaved = m_temp.File(L"steel-saved.vjp");
    MatCondition document;
    document.materialType = 3;
    document.tempStart = 1773.15f;
    document.tempEnd = 873.15f;
    document.tempStep = -2.5f;
    document.fractionLimit = 0.02f;
    document.compositions[5] = {1, 1, 70};
    document.compositions[3] = {0, 1, 18};
    document.compositions[9] = {0, 1, 8};
    ASSERT_EQ(SaveMatCondition(steel.c_str(), &document), 1);
    document.compositions[5].base = 0;
    ASSERT_EQ(SaveMatCondition(noBase.c_str(), &document), 1);

    const INT_PTR result = Run(m_dialog, [&] {
        SelectFamily(L"Cast Iron");
        TypeValue(L"C", L"3.2");
        SetText(IDC_KESTRUM_START, L"1380");
        ::SendMessageW(m_ui->Item(IDC_KESTRUM_GRAPHITE), CB_SETCURSEL, 1, 0);
        // Typed without an extension: the file is a material file all the same.
        ThroughFileDialog(IDC_KESTRUM_SAVE, saved);
        SelectFamily(L"Aluminium Alloy");
        ThroughFileDialog(IDC_KESTRUM_LOAD, L"");
        EXPECT_EQ(Controls(), L"Aluminium Alloy|700|27|5|0.01||offoffoff")
            << "a cancelled load changes nothing";

        ThroughFileDialog(IDC_KESTRUM_LOAD, saved + L".vjp");
        EXPECT_EQ(Controls(), L"Cast Iron|1380|1000|5|0.01|3.2|ononon");
        EXPECT_EQ(Rows(),
                  L"*Fe=96.8 Al=0 Cr=0 Cu=0 Mg=0 Mn=0 Ni=0 Si=0 Ti=0 V=0 C=3.2 Mo=0 Nb=0 Ta=0 N=0 P=0 S=0");

        // Family 3 is not offered: the selection stays, and the next collection stores the selected one.
        ThroughFileDialog(IDC_KESTRUM_LOAD, steel);
        EXPECT_EQ(Controls(), L"Cast Iron|1500|600|2.5|0.02|0|ononon");
        EXPECT_EQ(Rows(), L"*Fe=74 Cr=18 Ni=8");
        ThroughFileDialog(IDC_KESTRUM_SAVE, steelSaved);

        // No base element: element order, nothing bold, the first row takes the balance.
        ThroughFileDialog(IDC_KESTRUM_LOAD, noBase);
        EXPECT_EQ(Rows(), L"Cr=22 Fe=70 Ni=8");
        m_ui->Click(IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    MatCondition record;
    ASSERT_EQ(LoadMatCondition((saved + L".vjp").c_str(), &record), 1);
    EXPECT_EQ(record.materialType, 2);
    EXPECT_EQ(record.tempStart, KelvinFromCelsius(1380));
    EXPECT_EQ(record.graphiteType, 1);
    EXPECT_EQ(record.pearlitic, 1);
    EXPECT_EQ(record.compositions[5], (MatCompoEntry{1, 1, 100.0f - 3.2f}));
    EXPECT_NE(record.resPath[0], L'\0');
    EXPECT_FALSE(JobFolderLeft()) << "saving names a job folder but never creates it";
    ASSERT_EQ(LoadMatCondition(steelSaved.c_str(), &record), 1);
    EXPECT_EQ(record.materialType, 2);
}

TEST_F(InputDialog, LoadResultHandsBackEngineFilesConvertsJMatProFilesAndIgnoresUnreadableOnes) {
    WriteBytes(m_temp.File(L"x.DAT"), ReadBytes(CString(KESTRUM_JMATPRO_SAMPLE).Str()));
    WriteBytes(m_temp.File(L"x.OUT"), "not read here\n");
    const struct {
        const wchar_t* chosen;
        const wchar_t* result; // null when the dialog stays open
    } cases[] = {{L"x.DAT", L"x.DAT.out"}, {L"x.OUT", L"x.OUT"}, {L"missing.dat", nullptr}};
    for (const auto& c : cases) {
        CKestrumDlg dialog(ProgramFolder().c_str());
        const INT_PTR result = Run(dialog, [&] {
            ThroughFileDialog(IDC_KESTRUM_LOAD_RESULT, m_temp.File(c.chosen));
            if (c.result)
                return;
            EXPECT_TRUE(m_ui->Open());
            m_ui->Click(IDCANCEL);
        });
        EXPECT_EQ(result, c.result ? IDOK : IDCANCEL);
        EXPECT_EQ(dialog.GetResultPath().Str(), c.result ? m_temp.File(c.result) : std::wstring());
        EXPECT_EQ(dialog.GetResultKind(), c.result ? 0 : 1);
    }
    CMatProps set;
    EXPECT_EQ(ReadResultFile(m_temp.File(L"x.DAT.out").c_str(), set, kFormatEngine), 1);
    EXPECT_FALSE(set.m_series.empty());
}

} // namespace
