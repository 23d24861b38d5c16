#include <algorithm>
#include <cwchar>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "framework/utf.h"
#include "support/testfiles.h"
#include "xml/elem.h"
#include "xml/matcondition.h"
#include "xml/xmlfile.h"

// Failure messages show the fields instead of the record's bytes.
static void PrintTo(const MatCondition& r, std::ostream* os) {
    *os << "{" << r.materialType << ' ' << r.graphiteType << ' ' << r.tempStart << ' ' << r.tempEnd << ' '
        << r.tempStep << ' ' << r.fractionLimit << " flags " << r.pearlitic << r.pbSearch
        << r.fastInterStitial << r.allPhases << " phases";
    for (int k = 0; k < kMatPhaseCount; ++k)
        *os << (r.phases[k] ? " " + std::to_string(k) + "=" + std::to_string(r.phases[k]) : "");
    for (int k = 0; k < kMatElementCount; ++k)
        *os << " [" << k << ' ' << r.compositions[k].base << r.compositions[k].present << ' '
            << r.compositions[k].compo << ']';
    *os << " '" << WideToUtf8(r.dataPath) << "' '" << WideToUtf8(r.resPath) << "'}";
}

namespace {

// A complete cast iron document as a user might have edited it: every part present once.
const std::string kDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<Vantrel>
	<JMapProMaterial allPhases="false" pearlitic="true" pbSearch="false" fastInterStitial="true" graphiteType="1" materialType="2">
		<AlloyTempCon tempStart="1673.15" tempEnd="1273.15" tempStep="-5" fractionLimit="0.01"/>
		<Phases Phase0="true" Phase31="true"/>
		<Compositions>
			<MatCompo element="5" base="true" compo="0"/>
			<MatCompo element="20" base="false" compo="3.5"/>
		</Compositions>
		<Path dataPath="/opt/kestrum/dbdata/" resPath="/tmp/job"/>
	</JMapProMaterial>
</Vantrel>
)";

// kDocument with every `from` replaced by `to`; the test fails when there is nothing to replace.
std::string Edited(const std::string& from, const std::string& to, std::string text = kDocument) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "not in the document: " << from;
    for (; at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class MatConditionDoc : public ::testing::Test {
protected:
    int Load(const std::string& text) {
        WriteBytes(path, text);
        return LoadMatCondition(path.c_str(), &rec);
    }
    // What kDocument loads into a record in the reset state.
    static MatCondition Expected() {
        MatCondition e;
        e.allPhases = e.pbSearch = 0;
        e.pearlitic = e.fastInterStitial = e.graphiteType = 1;
        e.materialType = 2;
        e.tempStart = 1673.15f, e.tempEnd = 1273.15f, e.tempStep = -5.0f, e.fractionLimit = 0.01f;
        e.phases[0] = e.phases[31] = 1;
        e.compositions[5] = {1, 1, 0.0f};
        e.compositions[20] = {0, 1, 3.5f};
        std::wcscpy(e.dataPath, L"/opt/kestrum/dbdata/");
        std::wcscpy(e.resPath, L"/tmp/job");
        return e;
    }

    TempDir dir;
    std::wstring path = dir.File(L"m.vjp");
    MatCondition rec;
};

} // namespace

TEST(MatConditionRecord, NewRecordIsInTheResetState) {
    const MatCondition r;
    EXPECT_EQ(
        std::tie(r.materialType, r.graphiteType, r.pearlitic, r.pbSearch, r.fastInterStitial, r.allPhases),
        std::make_tuple(-1, -1, 0, 1, 0, 1));
    EXPECT_EQ(std::tie(r.tempStart, r.tempEnd, r.tempStep, r.fractionLimit),
              std::make_tuple(0.f, 0.f, 0.f, 0.f));
    auto zero = [](const auto& array) {
        return std::all_of(std::begin(array), std::end(array),
                           [](const auto& x) { return x == std::remove_cvref_t<decltype(x)>{}; });
    };
    EXPECT_TRUE(zero(r.compositions) && zero(r.phases) && zero(r.dataPath) && zero(r.resPath));
}

// ---- Saving and loading back ----------------------------------------------------------------------

TEST_F(MatConditionDoc, RoundTripGivesAnEqualRecordButForAbsentEntries) {
    MatCondition saved;
    saved.materialType = 5;
    saved.graphiteType = 2;
    saved.pearlitic = saved.fastInterStitial = 1;
    saved.pbSearch = saved.allPhases = 0;
    saved.tempStart = 1400.0f + 273.15f;
    saved.tempEnd = 1373.15f;
    saved.tempStep = -10.0f; // a step of 10 entered in the dialog
    saved.fractionLimit = 1e-7f;
    saved.compositions[9] = {1, 1, 61.25f};
    saved.compositions[0] = {0, 1, 5.5f};
    saved.compositions[42] = {0, 1, 0.001f};
    saved.compositions[3] = {1, 0, 7.0f}; // not present: neither written nor kept
    saved.compositions[4] = {0, 2, 1.0f}; // only 1 counts as present
    saved.phases[0] = saved.phases[1] = saved.phases[240] = 1;
    saved.phases[5] = 2; // only 1 counts as selected
    std::wcscpy(saved.dataPath, L"C:\\Programme\\Zoë\\dbdata\\ <&\"'>");
    const std::wstring longest(kMatPathChars - 1, L'j');
    std::wcscpy(saved.resPath, longest.c_str());
    ASSERT_EQ(SaveMatCondition(path.c_str(), &saved), 1);

    ASSERT_EQ(LoadMatCondition(path.c_str(), &rec), 1);
    MatCondition expected = saved;
    expected.compositions[3] = expected.compositions[4] = MatCompoEntry{};
    expected.phases[5] = 0;
    EXPECT_EQ(rec, expected);
    EXPECT_NE(ReadBytes(path).find("tempStep=\"-10\""), std::string::npos) << "the step keeps its sign";
}

TEST_F(MatConditionDoc, WrittenInTheDocumentsOrder) {
    MatCondition saved;
    saved.compositions[12] = {0, 1, 7.0f};
    saved.compositions[0] = {1, 1, 0.0f};
    saved.phases[200] = saved.phases[3] = 1;
    ASSERT_EQ(SaveMatCondition(path.c_str(), &saved), 1);
    const std::string text = ReadBytes(path);
    size_t at = 0;
    for (const char* part : {"<Vantrel",
                             "<JMapProMaterial allPhases=\"true\" pearlitic=\"false\" pbSearch=\"true\" "
                             "fastInterStitial=\"false\" graphiteType=\"-1\" materialType=\"-1\"",
                             "<AlloyTempCon tempStart=\"0\" tempEnd=\"0\" tempStep=\"0\" fractionLimit=\"0\"",
                             "<Phases Phase3=\"true\" Phase200=\"true\"", "<Compositions",
                             "<MatCompo element=\"0\" base=\"true\" compo=\"0\"",
                             "<MatCompo element=\"12\" base=\"false\" compo=\"7\"", "</Compositions>",
                             "<Path dataPath=\"\" resPath=\"\"", "</JMapProMaterial>", "</Vantrel>"}) {
        const size_t found = text.find(part, at);
        ASSERT_NE(found, std::string::npos) << part << " after " << at << " in\n" << text;
        at = found;
    }
}

TEST_F(MatConditionDoc, SaveResults) {
    // A record without composition is written, but such a document does not load.
    ASSERT_EQ(SaveMatCondition(path.c_str(), &rec), 1);
    EXPECT_EQ(LoadMatCondition(path.c_str(), &rec), 0);

    for (const std::wstring& bad :
         {dir.File(L"no-such-folder") + L"/m.vjp", std::wstring(), dir.Path().wstring()})
        EXPECT_EQ(SaveMatCondition(bad.c_str(), &rec), 0) << WideToUtf8(bad);
}

// ---- What a document may hold ---------------------------------------------------------------------

TEST_F(MatConditionDoc, ToleratesWhatTheSchemaDoesNotName) {
    const std::vector<std::string> variants = {
        kDocument,
        Edited("<Vantrel>", "<!-- saved by hand --><Vantrel><?editor keep?>"),
        Edited("<Phases", "<!-- c --><?pi x?><Other a=\"1\"><JMapProMaterial/></Other><Phases"),
        Edited("materialType=\"2\"", "materialType=\"2\" colour=\"red\""),
        Edited("<Compositions>", "<Compositions><Note/>some text<![CDATA[x]]>"),
        // Another order of children and attributes, namespace prefixes on elements.
        Edited("</JMapProMaterial>", "<Phases Phase31=\"true\" Phase0=\"true\"/></JMapProMaterial>",
               Edited("<Phases Phase0=\"true\" Phase31=\"true\"/>", "")),
        Edited("Vantrel>", "v:Vantrel>", Edited("<Vantrel>", "<v:Vantrel xmlns:v=\"urn:kestrum\">")),
        Edited("MatCompo ", "k:MatCompo xmlns:k=\"urn:k\" "),
        // A second element of the same name is not read.
        Edited("</JMapProMaterial>", "</JMapProMaterial><JMapProMaterial/>"),
        Edited("</Compositions>", "</Compositions><Phases Phase1=\"true\"/><Compositions/>"),
        "\xEF\xBB\xBF" + Edited("\t", "  "),
    };
    for (size_t i = 0; i < variants.size(); ++i) {
        rec = MatCondition{};
        EXPECT_EQ(Load(variants[i]), 1) << "variant " << i;
        EXPECT_EQ(rec, Expected()) << "variant " << i;
    }
}

TEST_F(MatConditionDoc, FailsWithoutARequiredPart) {
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty file", ""},
        {"not well-formed", Edited("</Compositions>", "</Composition>")},
        {"truncated", kDocument.substr(0, kDocument.size() / 2)},
        {"root in another case", Edited("Vantrel>", "vantrel>")},
        {"other root", Edited("Vantrel>", "Vantrel2>")},
        {"material not under the root", Edited("</JMapProMaterial>", "</JMapProMaterial></Wrap>",
                                               Edited("<JMapProMaterial", "<Wrap><JMapProMaterial"))},
        {"no material", Edited("JMapProMaterial", "Material")},
        {"no allPhases", Edited("allPhases=", "AllPhases=")},
        {"prefixed allPhases",
         Edited("allPhases=", "v:allPhases=", Edited("<Vantrel", "<Vantrel xmlns:v=\"u\""))},
        {"no graphiteType", Edited("graphiteType=\"1\"", "")},
        {"no materialType", Edited("materialType=\"2\"", "")},
        {"materialType not a number", Edited("materialType=\"2\"", "materialType=\"two\"")},
        {"no AlloyTempCon", Edited("AlloyTempCon", "AlloyTemp")},
        {"no tempStart", Edited("tempStart=", "tempstart=")},
        {"no tempEnd", Edited("tempEnd=\"1273.15\"", "")},
        {"no tempStep", Edited("tempStep=\"-5\"", "")},
        {"no fractionLimit", Edited("fractionLimit=\"0.01\"", "")},
        {"tempStart with a decimal comma", Edited("1673.15", "1673,15")},
        {"no Phases", Edited("<Phases Phase0=\"true\" Phase31=\"true\"/>", "")},
        {"no Compositions", Edited("Compositions>", "Composition>")},
        {"no MatCompo", Edited("MatCompo ", "Compo ")},
        {"no complete MatCompo", Edited(" compo=\"", " Compo=\"")},
        {"MatCompo only deeper", Edited("<MatCompo element=\"20\" base=\"false\" compo=\"3.5\"/>", "",
                                        Edited("<MatCompo element=\"5\" base=\"true\" compo=\"0\"/>",
                                               "<G><MatCompo element=\"5\" compo=\"0\"/></G>"))},
    };
    for (const auto& c : cases) {
        rec = MatCondition{};
        EXPECT_EQ(Load(c.text), 0) << c.what;
    }
}

TEST_F(MatConditionDoc, FailsForFilesThatCannotBeRead) {
    EXPECT_EQ(LoadMatCondition(L"", &rec), 0);
    EXPECT_EQ(LoadMatCondition(dir.File(L"missing.vjp").c_str(), &rec), 0);
    EXPECT_EQ(LoadMatCondition((dir.File(L"no-such-folder") + L"/m.vjp").c_str(), &rec), 0);
    EXPECT_EQ(LoadMatCondition(dir.Path().wstring().c_str(), &rec), 0);
    EXPECT_EQ(rec, MatCondition{});
}

// Optional parts that are absent, or whose text does not convert, leave the fields as they were.
TEST_F(MatConditionDoc, OptionalPartsKeepTheFields) {
    std::wcscpy(rec.dataPath, L"old data");
    std::wcscpy(rec.resPath, L"old job");
    const std::string noFlags =
        Edited(" pearlitic=\"true\" pbSearch=\"false\" fastInterStitial=\"true\"", "",
               Edited("<Path dataPath=\"/opt/kestrum/dbdata/\" resPath=\"/tmp/job\"/>", ""));
    ASSERT_EQ(Load(noFlags), 1);
    EXPECT_EQ(rec.pearlitic, 0);
    EXPECT_EQ(rec.pbSearch, 1);
    EXPECT_EQ(rec.fastInterStitial, 0);
    EXPECT_STREQ(rec.dataPath, L"old data");
    EXPECT_STREQ(rec.resPath, L"old job");

    rec = MatCondition{};
    ASSERT_EQ(Load(Edited("pbSearch=\"false\"", "pbSearch=\"sometimes\"")), 1);
    EXPECT_EQ(rec.pbSearch, 1);
}

TEST_F(MatConditionDoc, PhaseFlagsAreAllRewritten) {
    for (int32_t& flag : rec.phases)
        flag = 1;
    ASSERT_EQ(
        Load(Edited(
            "<Phases Phase0=\"true\" Phase31=\"true\"/>",
            "<Phases Phase3=\"false\" Phase7=\"true\" Phase240=\"1\" Phase241=\"true\" Phase-1=\"true\" "
            "Phase08=\"true\" phase9=\"true\" Phase10=\"perhaps\"/>")),
        1);
    for (int k = 0; k < kMatPhaseCount; ++k)
        EXPECT_EQ(rec.phases[k], k == 7 || k == 240 ? 1 : 0) << "phase " << k;

    ASSERT_EQ(Load(Edited("<Phases Phase0=\"true\" Phase31=\"true\"/>", "<Phases></Phases>")), 1);
    for (int32_t flag : rec.phases)
        EXPECT_EQ(flag, 0);
}

TEST_F(MatConditionDoc, CompositionEntries) {
    for (MatCompoEntry& entry : rec.compositions)
        entry = {1, 1, 9.0f};
    const std::string compositions =
        "<Compositions>"
        "<MatCompo element=\"1\" base=\"true\"/>"  // no compo: skipped
        "<MatCompo base=\"true\" compo=\"4\"/>"    // no element: skipped
        "<MatCompo element=\"2\" compo=\"0.25\"/>" // no base: 0
        "<MatCompo element=\"3\" base=\"true\" compo=\"1\"/>"
        "<MatCompo element=\"3\" base=\"false\" compo=\"2\"/>" // the later one wins
        "<MatCompo element=\"43\" compo=\"1\"/>"               // outside the catalogue
        "<MatCompo element=\"-1\" compo=\"1\"/>"
        "<MatCompo element=\"x\" compo=\"1\"/>" // texts that do not convert
        "<MatCompo element=\"6\" compo=\"1%\"/>"
        "<MatCompo element=\"42\" base=\"yes\" compo=\" 1e1 \"/>"
        "<Group><MatCompo element=\"7\" compo=\"1\"/></Group>";
    ASSERT_EQ(Load(Edited("<Compositions>", compositions)), 1);
    MatCondition expected = Expected();
    expected.compositions[2] = {0, 1, 0.25f};
    expected.compositions[3] = {0, 1, 2.0f};
    expected.compositions[42] = {0, 1, 10.0f};
    for (int k = 0; k < kMatElementCount; ++k)
        EXPECT_EQ(rec.compositions[k], expected.compositions[k]) << "entry " << k;
    EXPECT_TRUE(rec == expected) << "a field beside the composition changed";

    // Entries outside the catalogue alone are no composition.
    EXPECT_EQ(Load(Edited("element=\"20\"", "element=\"43\"", Edited("element=\"5\"", "element=\"100000\""))),
              0);
}

// Folder texts that do not fit their field are refused, not cut; resPath is read when dataPath is there.
TEST_F(MatConditionDoc, FolderTexts) {
    const std::string longest = std::string(kMatPathChars - 1, 'd');
    ASSERT_EQ(Load(Edited("/opt/kestrum/dbdata/", longest)), 1);
    EXPECT_EQ(std::wstring(rec.dataPath), std::wstring(longest.begin(), longest.end()));

    std::wcscpy(rec.dataPath, L"old data");
    ASSERT_EQ(Load(Edited("/opt/kestrum/dbdata/", longest + "d")), 1);
    EXPECT_STREQ(rec.dataPath, L"old data");
    EXPECT_STREQ(rec.resPath, L"/tmp/job");

    std::wcscpy(rec.resPath, L"old job");
    ASSERT_EQ(Load(Edited("/tmp/job", std::string(kMatPathChars, 'r'))), 1);
    EXPECT_STREQ(rec.dataPath, L"/opt/kestrum/dbdata/");
    EXPECT_STREQ(rec.resPath, L"old job");

    ASSERT_EQ(Load(Edited("dataPath=\"/opt/kestrum/dbdata/\"", "")), 1);
    EXPECT_STREQ(rec.resPath, L"old job");

    ASSERT_EQ(Load(Edited("\"/opt/kestrum/dbdata/\"", "\"\"", Edited("\"/tmp/job\"", "\"\""))), 1);
    EXPECT_STREQ(rec.dataPath, L"");
    EXPECT_STREQ(rec.resPath, L"");
}
