// The input dialog driven as a person drives it: families, the composition typed through the list's
// editor, the message box, the calculation with the stand-in engine (beside this program, its data in
// "dbdata" there), the real file dialogs for material files and result imports.
#include <windows.h>

#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

constexpr wchar_t kMessage[] = L"Composition 이 잘못되었습니다.";
constexpr int kLong = 120000;

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
        for (const wchar_t* name : {L"TMP", L"TEMP"}) {
            wchar_t old[2048] = {};
            ::GetEnvironmentVariableW(name, old, 2048);
            m_saved.emplace_back(name, old);
            ::SetEnvironmentVariableW(name, m_jobTemp.c_str());
        }
    }
    ~InputDialog() override {
        for (const auto& [name, value] : m_saved)
            ::SetEnvironmentVariableW(name.c_str(), value.c_str());
    }

    INT_PTR Run(const std::function<void()>& script) {
        return RunModalScript([this] { return m_dialog.DoModal(); },
                              [&](CUiDriver& ui) {
                                  m_ui = &ui;
                                  ASSERT_TRUE(ui.WaitForDialog());
                                  script();
                              });
    }

    HWND List() const { return m_ui->Item(IDC_KESTRUM_COMPOSITION); }
    int RowCount() const { return static_cast<int>(::SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring Cell(int row, int column) const {
        wchar_t text[256] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 256;
        ::SendMessageW(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // The element symbols in row order, as one line.
    std::wstring Symbols() const {
        std::wstring symbols;
        for (int row = 0; row < RowCount(); ++row)
            symbols += (row ? L" " : L"") + Cell(row, 0);
        return symbols;
    }
    int RowOf(const std::wstring& symbol) const {
        for (int row = 0; row < RowCount(); ++row) {
            if (Cell(row, 0) == symbol)
                return row;
        }
        ADD_FAILURE() << "no row for an element";
        return -1;
    }
    std::wstring Value(const std::wstring& symbol) const { return Cell(RowOf(symbol), 1); }
    // Per row: drawn bold, and the element index the row record keeps.
    std::vector<std::pair<bool, LPARAM>> RowRecords() {
        std::vector<std::pair<bool, LPARAM>> records;
        const HWND list = List();
        m_ui->OnUiThread([&] {
            auto* styled = dynamic_cast<CListCtrlStyled*>(CWnd::FromHandle(list));
            ASSERT_NE(styled, nullptr);
            for (int row = 0; row < styled->GetItemCount(); ++row) {
                const iLS_item* record = styled->GetRowRecord(row);
                const bool bold = record->rowStyle && (record->rowStyle->style & LIS_BOLD);
                records.emplace_back(bold, styled->GetUserData(row));
            }
        });
        return records;
    }

    // Selects the row and types the value on it, which opens the list's editor; Enter commits it.
    void TypeValue(const std::wstring& symbol, const std::wstring& value) {
        const int row = RowOf(symbol);
        ::SendMessageW(List(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        ::SendMessageW(List(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
        m_ui->ClickAt(List(), POINT{bounds.left + 10, (bounds.top + bounds.bottom) / 2});
        m_ui->Type(value);
        m_ui->PressKey(VK_RETURN);
    }
    void SelectFamily(const wchar_t* name) {
        ::SendMessageW(m_ui->Item(IDC_KESTRUM_FAMILY), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(name));
        m_ui->Notify(IDC_KESTRUM_FAMILY, CBN_SELCHANGE);
    }
    std::wstring SelectedFamily() const { return ComboText(IDC_KESTRUM_FAMILY, -1); }
    // An item's text, or the selected one's for -1.
    std::wstring ComboText(int id, int item) const {
        const HWND combo = m_ui->Item(id);
        if (item < 0)
            item = static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
        wchar_t text[256] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
        return text;
    }
    void SetText(int id, const wchar_t* text) { ::SetWindowTextW(m_ui->Item(id), text); }
    std::vector<std::wstring> Boxes() const {
        return {m_ui->Text(IDC_KESTRUM_START), m_ui->Text(IDC_KESTRUM_END), m_ui->Text(IDC_KESTRUM_STEP),
                m_ui->Text(IDC_KESTRUM_FRACTION)};
    }
    bool CastIronControlsEnabled() const {
        const bool graphite = m_ui->Enabled(IDC_KESTRUM_GRAPHITE);
        EXPECT_EQ(m_ui->Enabled(IDC_KESTRUM_PEARLITIC), graphite);
        EXPECT_EQ(m_ui->Enabled(IDC_KESTRUM_AUSTENITIC), graphite);
        return graphite;
    }
    // Opens a file dialog with a button, chooses `path` in it (or cancels with an empty path) and
    // comes back to the input dialog.
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
    std::vector<std::pair<std::wstring, std::wstring>> m_saved;
    CKestrumDlg m_dialog{ProgramFolder().c_str()};
    CUiDriver* m_ui = nullptr;
};

TEST_F(InputDialog, OpensWithTheOfferedFamiliesAluminiumDefaultsAndCastIronControlsDisabled) {
    const INT_PTR result = Run([&] {
        wchar_t caption[128] = {};
        ::GetWindowTextW(m_ui->Dialog(), caption, 128);
        EXPECT_STREQ(caption, L"Kestrum Input Dialog");
        EXPECT_TRUE(::GetWindowLongW(m_ui->Dialog(), GWL_EXSTYLE) & WS_EX_APPWINDOW);

        const std::vector<std::wstring> families = {
            L"Aluminium Alloy", L"Magnesium Alloy",         L"Cast Iron",
            L"Cobalt Alloy",    L"Nickel Based Superalloy", L"NiFe Based Superalloy",
            L"Single Crystal",  L"Titanium Alloy",          L"Solder Alloy"};
        const HWND family = m_ui->Item(IDC_KESTRUM_FAMILY);
        ASSERT_EQ(::SendMessageW(family, CB_GETCOUNT, 0, 0), 9);
        const LRESULT data[] = {0, 1, 2, 4, 5, 6, 7, 8, 10};
        for (int item = 0; item < 9; ++item) {
            EXPECT_EQ(ComboText(IDC_KESTRUM_FAMILY, item), families[static_cast<size_t>(item)]);
            EXPECT_EQ(::SendMessageW(family, CB_GETITEMDATA, static_cast<WPARAM>(item), 0), data[item]);
        }
        EXPECT_EQ(SelectedFamily(), L"Aluminium Alloy");
        EXPECT_EQ(Boxes(), (std::vector<std::wstring>{L"700", L"27", L"5", L"0.01"}));
        EXPECT_EQ(ComboText(IDC_KESTRUM_GRAPHITE, 0) + L"," + ComboText(IDC_KESTRUM_GRAPHITE, 1) + L"," +
                      ComboText(IDC_KESTRUM_GRAPHITE, 2),
                  L"Spheroidal,Compacted,Lamellar");
        EXPECT_EQ(ComboText(IDC_KESTRUM_GRAPHITE, -1), L"Spheroidal");
        EXPECT_EQ(::SendMessageW(m_ui->Item(IDC_KESTRUM_PEARLITIC), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_FALSE(CastIronControlsEnabled());
        EXPECT_EQ(m_ui->Text(IDC_KESTRUM_CARBON_EQUIVALENT), L"");

        EXPECT_EQ(Symbols(), L"Al Ca Co Cr Cu Fe La Mg Mn Ni Pb Sc Si Sn Sr Ti V Zn Zr B C");
        const auto records = RowRecords();
        ASSERT_EQ(records.size(), 21u);
        const std::vector<LPARAM> elements = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9, 10,
                                              11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
        for (size_t row = 0; row < records.size(); ++row) {
            EXPECT_EQ(records[row].first, row == 0) << "bold, row " << row;
            EXPECT_EQ(records[row].second, elements[row]) << "element, row " << row;
            EXPECT_EQ(Cell(static_cast<int>(row), 1), row == 0 ? L"100" : L"0");
        }
        EXPECT_EQ(::SendMessageW(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) &
                      (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES),
                  LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        wchar_t heading[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = heading;
        column.cchTextMax = 64;
        ::SendMessageW(List(), LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        EXPECT_EQ(std::wstring(heading) + L" " + std::to_wstring(column.cx), L"Element 60");
        ::SendMessageW(List(), LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
        EXPECT_STREQ(heading, L"Composition");

        EXPECT_TRUE(m_ui->Screenshot(L"kestrumdlg_open"));
        m_ui->Click(IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(InputDialog, CastIronBalancesTypedValuesAndStartCalcRunsTheEngineOnWhatTheControlsShow) {
    const INT_PTR result = Run([&] {
        SelectFamily(L"Cast Iron");
        EXPECT_EQ(Boxes(), (std::vector<std::wstring>{L"1400", L"1000", L"5", L"0.01"}));
        EXPECT_TRUE(CastIronControlsEnabled());
        EXPECT_EQ(m_ui->Text(IDC_KESTRUM_CARBON_EQUIVALENT), L"0");
        EXPECT_EQ(Symbols(), L"Fe Al Cr Cu Mg Mn Ni Si Ti V C Mo Nb Ta N P S");
        EXPECT_EQ(Cell(0, 1), L"100");
        const auto records = RowRecords();
        ASSERT_EQ(records.size(), 17u);
        EXPECT_TRUE(records[0].first);
        EXPECT_EQ(records[0].second, 5);

        TypeValue(L"C", L"3.5");
        TypeValue(L"Si", L"2.4");
        TypeValue(L"P", L"0.03");
        TypeValue(L"Mn", L"0.3");
        EXPECT_EQ(Value(L"C"), L"3.5");
        EXPECT_EQ(Value(L"P"), L"0.03");
        // 3.5 + (2.4 + 0.03) / 3 + 0.3 / 6 and 100 - 6.23, both in single precision.
        EXPECT_EQ(m_ui->Text(IDC_KESTRUM_CARBON_EQUIVALENT), L"4.36");
        EXPECT_EQ(Cell(0, 1), L"93.77");
        EXPECT_TRUE(m_ui->Screenshot(L"kestrumdlg_castiron"));

        ::SendMessageW(m_ui->Item(IDC_KESTRUM_GRAPHITE), CB_SETCURSEL, 2, 0);
        EXPECT_TRUE(m_ui->Click(IDC_KESTRUM_AUSTENITIC));
        SetText(IDC_KESTRUM_START, L"1350");
        SetText(IDC_KESTRUM_STEP, L"10");
        SetText(IDC_KESTRUM_FRACTION, L"x");

        ASSERT_TRUE(m_ui->Click(IDOK));
        ASSERT_TRUE(m_ui->WaitForPopup());
        ASSERT_TRUE(m_ui->WaitFor([&] { return m_ui->Enabled(IDOK); }, kLong));
        EXPECT_NE(m_ui->Text(IDC_CONSOLE_OUTPUT).find(L"Exit Code: 0"), std::wstring::npos);
        EXPECT_TRUE(m_ui->RepeatUntilClosed([&] { m_ui->Click(IDOK); }));
        EXPECT_TRUE(m_ui->ReturnFromPopup());
    });
    ASSERT_EQ(result, IDOK);
    EXPECT_EQ(m_dialog.GetResultKind(), 1);
    const MatCondition& shown = m_dialog.GetCondition();
    EXPECT_EQ(m_dialog.GetResultPath(), GetJobResultPath(shown.resPath));
    EXPECT_TRUE(std::filesystem::exists(m_dialog.GetResultPath().Str()));
    EXPECT_EQ(std::wstring(shown.resPath).rfind(m_jobTemp, 0), 0u);

    MatCondition input;
    ASSERT_EQ(LoadMatCondition(GetJobInputPath(shown.resPath), &input), 1);
    EXPECT_EQ(input.materialType, 2);
    EXPECT_EQ(input.tempStart, KelvinFromCelsius(1350));
    EXPECT_EQ(input.tempEnd, 1273.15f);
    EXPECT_EQ(input.tempStep, -10.0f);
    EXPECT_EQ(input.fractionLimit, 0.0f);
    EXPECT_EQ(input.graphiteType, 2);
    EXPECT_EQ(input.pearlitic, 0);
    EXPECT_EQ(input.compositions[5], (MatCompoEntry{1, 1, 100.0f - (0.3f + 2.4f + 3.5f + 0.03f)}));
    EXPECT_EQ(input.compositions[20], (MatCompoEntry{0, 1, 3.5f}));
    EXPECT_EQ(input.compositions[29], (MatCompoEntry{0, 1, 0.03f}));
    EXPECT_EQ(input.compositions[3], (MatCompoEntry{0, 1, 0.0f}));
    EXPECT_EQ(input.compositions[0].present + input.compositions[1].present, 1) << "Al yes, Ca no";
    EXPECT_EQ(std::wstring(input.dataPath), ProgramFolder() + L"dbdata\\");
}

TEST_F(InputDialog, AnOtherwiseFullCompositionIsRejectedWithTheMessageAndNoJobFolder) {
    // Other rows at exactly 100 leave 0 for the base; above 100 they leave a negative base.
    const struct {
        const wchar_t* copper;
        const wchar_t* balance;
    } cases[] = {{L"40", L"0"}, {L"50", L"-10"}};
    for (const auto& c : cases) {
        CKestrumDlg dialog(ProgramFolder().c_str());
        std::wstring message;
        const INT_PTR result = RunModalScript([&] { return dialog.DoModal(); },
                                              [&](CUiDriver& ui) {
                                                  m_ui = &ui;
                                                  ASSERT_TRUE(ui.WaitForDialog());
                                                  TypeValue(L"Si", L"60");
                                                  TypeValue(L"Cu", c.copper);
                                                  EXPECT_EQ(Cell(0, 1), c.balance);
                                                  ASSERT_TRUE(ui.Click(IDOK));
                                                  ASSERT_TRUE(ui.WaitForPopup());
                                                  message = ui.MessageText();
                                                  if (c.balance[0] == L'-') {
                                                      EXPECT_TRUE(ui.Screenshot(L"kestrumdlg_message"));
                                                  }
                                                  EXPECT_TRUE(ui.Click(IDOK));
                                                  EXPECT_TRUE(ui.ReturnFromPopup());
                                              });
        EXPECT_EQ(message, kMessage);
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(dialog.GetCondition().resPath[0], L'\0');
        EXPECT_FALSE(JobFolderLeft());
    }
}

MatCondition Document(int32_t family, std::initializer_list<std::pair<int, MatCompoEntry>> entries) {
    MatCondition rec;
    rec.materialType = family;
    rec.tempStart = 1773.15f;
    rec.tempEnd = 873.15f;
    rec.tempStep = -2.5f;
    rec.fractionLimit = 0.02f;
    for (const auto& [element, entry] : entries)
        rec.compositions[element] = entry;
    return rec;
}

TEST_F(InputDialog, SaveAndLoadGoThroughTheFileDialogsAndLoadingKeepsAFamilyNotOffered) {
    const std::wstring saved = m_temp.File(L"cast");
    const std::wstring steel = m_temp.File(L"steel.vjp");
    const std::wstring noBase = m_temp.File(L"nobase.vjp");
    const std::wstring steelSavedPath = m_temp.File(L"steel-saved.vjp");
    const MatCondition steelDocument = Document(3, {{5, {1, 1, 70}}, {3, {0, 1, 18}}, {9, {0, 1, 8}}});
    const MatCondition noBaseDocument = Document(2, {{12, {0, 1, 2}}, {0, {0, 1, 5}}, {4, {0, 1, 3}}});
    ASSERT_EQ(SaveMatCondition(steel.c_str(), &steelDocument), 1);
    ASSERT_EQ(SaveMatCondition(noBase.c_str(), &noBaseDocument), 1);
    MatCondition record;
    MatCondition steelSaved;
    const INT_PTR result = Run([&] {
        SelectFamily(L"Cast Iron");
        TypeValue(L"C", L"3.2");
        SetText(IDC_KESTRUM_START, L"1380");
        ::SendMessageW(m_ui->Item(IDC_KESTRUM_GRAPHITE), CB_SETCURSEL, 1, 0);
        // Typed without an extension: the file is a material file all the same.
        ThroughFileDialog(IDC_KESTRUM_SAVE, saved);
        ASSERT_EQ(LoadMatCondition((saved + L".vjp").c_str(), &record), 1);

        SelectFamily(L"Aluminium Alloy");
        ThroughFileDialog(IDC_KESTRUM_LOAD, L"");
        EXPECT_EQ(SelectedFamily(), L"Aluminium Alloy") << "a cancelled dialog changes nothing";
        EXPECT_EQ(RowCount(), 21);

        ThroughFileDialog(IDC_KESTRUM_LOAD, saved + L".vjp");
        EXPECT_EQ(SelectedFamily(), L"Cast Iron");
        EXPECT_TRUE(CastIronControlsEnabled());
        EXPECT_EQ(Boxes(), (std::vector<std::wstring>{L"1380", L"1000", L"5", L"0.01"}));
        EXPECT_EQ(Symbols(), L"Fe Al Cr Cu Mg Mn Ni Si Ti V C Mo Nb Ta N P S");
        EXPECT_EQ(Value(L"C"), L"3.2");
        EXPECT_EQ(Cell(0, 1), L"96.8");
        EXPECT_EQ(m_ui->Text(IDC_KESTRUM_CARBON_EQUIVALENT), L"3.2");

        // Family 3 is not in the list: the selection stays, the document's values show, and what is
        // collected next carries the selected family.
        ThroughFileDialog(IDC_KESTRUM_LOAD, steel);
        EXPECT_EQ(SelectedFamily(), L"Cast Iron");
        EXPECT_EQ(Boxes(), (std::vector<std::wstring>{L"1500", L"600", L"2.5", L"0.02"}));
        EXPECT_EQ(Symbols(), L"Fe Cr Ni");
        EXPECT_EQ(Cell(0, 1), L"74");
        ThroughFileDialog(IDC_KESTRUM_SAVE, steelSavedPath);
        EXPECT_EQ(LoadMatCondition(steelSavedPath.c_str(), &steelSaved), 1);

        // No base element: the rows stay in element order, none bold, and the first takes the balance.
        ThroughFileDialog(IDC_KESTRUM_LOAD, noBase);
        EXPECT_EQ(Symbols(), L"Al Cu Si");
        EXPECT_EQ(Cell(0, 1), L"95");
        for (const auto& [bold, element] : RowRecords())
            EXPECT_FALSE(bold) << element;
        m_ui->Click(IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(record.materialType, 2);
    EXPECT_EQ(record.tempStart, KelvinFromCelsius(1380));
    EXPECT_EQ(record.graphiteType, 1);
    EXPECT_EQ(record.pearlitic, 1);
    EXPECT_EQ(record.compositions[20], (MatCompoEntry{0, 1, 3.2f}));
    EXPECT_EQ(record.compositions[5], (MatCompoEntry{1, 1, 100.0f - 3.2f}));
    // Saving names a job folder but never creates it.
    EXPECT_NE(record.resPath[0], L'\0');
    EXPECT_FALSE(JobFolderLeft());
    EXPECT_EQ(steelSaved.materialType, 2);
    EXPECT_EQ(steelSaved.compositions[5].compo, 74.0f);
}

TEST_F(InputDialog, LoadResultHandsBackEngineFilesConvertsJMatProFilesAndIgnoresUnreadableOnes) {
    WriteBytes(m_temp.File(L"x.DAT"), ReadBytes(CString(KESTRUM_JMATPRO_SAMPLE).Str()));
    WriteBytes(m_temp.File(L"x.OUT"), "not read here\n");
    const struct {
        const wchar_t* chosen;
        INT_PTR result;
        const wchar_t* resultFile; // null when the dialog stays open
    } cases[] = {
        {L"x.DAT", IDOK, L"x.DAT.out"},
        {L"x.OUT", IDOK, L"x.OUT"},
        {L"missing.dat", IDCANCEL, nullptr},
    };
    for (const auto& c : cases) {
        CKestrumDlg dialog(ProgramFolder().c_str());
        const INT_PTR result =
            RunModalScript([&] { return dialog.DoModal(); },
                           [&](CUiDriver& ui) {
                               m_ui = &ui;
                               ASSERT_TRUE(ui.WaitForDialog());
                               ThroughFileDialog(IDC_KESTRUM_LOAD_RESULT, m_temp.File(c.chosen));
                               if (c.resultFile)
                                   return;
                               EXPECT_TRUE(ui.Open());
                               EXPECT_EQ(Cell(0, 1), L"100");
                               ui.Click(IDCANCEL);
                           });
        EXPECT_EQ(result, c.result);
        if (!c.resultFile) {
            EXPECT_FALSE(std::filesystem::exists(m_temp.File(L"missing.dat.out")));
            continue;
        }
        EXPECT_EQ(dialog.GetResultKind(), 0);
        EXPECT_EQ(dialog.GetResultPath(), m_temp.File(c.resultFile));
        if (std::wstring(c.chosen) == L"x.DAT") {
            CMatProps set;
            EXPECT_EQ(ReadResultFile(dialog.GetResultPath(), set, kFormatEngine), 1);
            EXPECT_FALSE(set.m_series.empty());
        }
    }
}

} // namespace
