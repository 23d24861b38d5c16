#include <cwchar>
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
        if (r.phases[k])
            *os << ' ' << k << '=' << r.phases[k];
    for (const MatCompoEntry& e : r.compositions)
        *os << " [" << e.base << e.present << ' ' << e.compo << ']';
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
    FileResult Load(const std::string& text) {
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

TEST_F(MatConditionDoc, RoundTripGivesAnEqualRecordButForAbsentEntries) {
    MatCondition saved = Expected();
    saved.compositions[0] = {0, 1, 5.5f};
    saved.compositions[42] = {0, 1, 0.001f};
    saved.compositions[3] = {1, 0, 7.0f}; // not present: neither written nor kept
    saved.compositions[4] = {0, 2, 1.0f}; // only 1 counts as present
    saved.phases[240] = 1;
    saved.phases[5] = 2; // only 1 counts as selected
    std::wcscpy(saved.dataPath, L"C:\\Programme\\Zoë\\dbdata\\ <&\"'>");
    std::wcscpy(saved.resPath, std::wstring(kMatPathChars - 1, L'j').c_str());
    ASSERT_EQ(SaveMatCondition(path.c_str(), &saved), 1);
    ASSERT_EQ(LoadMatCondition(path.c_str(), &rec).status, 1);
    MatCondition expected = saved;
    expected.compositions[3] = expected.compositions[4] = MatCompoEntry{};
    expected.phases[5] = 0;
    EXPECT_EQ(rec, expected);

    // The parts in the document's order, entries by index.
    EXPECT_EQ(NormaliseXml(ReadBytes(path)), NormaliseXml(Golden("xml/golden/matcondition.vjp")));
}

// Paths that cannot be written or read fail without touching the record; a record without
// composition is written, but such a document does not load.
TEST_F(MatConditionDoc, SaveAndLoadResults) {
    for (const std::wstring& bad :
         {dir.File(L"no-such-folder") + L"/m.vjp", std::wstring(), dir.Path().wstring()}) {
        EXPECT_EQ(SaveMatCondition(bad.c_str(), &rec), 0) << WideToUtf8(bad);
        EXPECT_EQ(LoadMatCondition(bad.c_str(), &rec).status, 0) << WideToUtf8(bad);
    }
    EXPECT_EQ(LoadMatCondition(path.c_str(), &rec).status, 0); // not written yet
    EXPECT_EQ(rec, MatCondition{});
    ASSERT_EQ(SaveMatCondition(path.c_str(), &rec), 1);
    EXPECT_EQ(LoadMatCondition(path.c_str(), &rec).status, 0);
}

// Comments, byte-order marks and element prefixes never reach this reader (the XML tests show that).
TEST_F(MatConditionDoc, ToleratesWhatTheSchemaDoesNotName) {
    const std::string variants[] = {
        kDocument,
        Edited("<Phases", "<Other a=\"1\"><JMapProMaterial/></Other><Phases",
               Edited("materialType=\"2\"", "materialType=\"2\" colour=\"red\"",
                      Edited("<Compositions>", "<Compositions><Note/>some text<![CDATA[x]]>"))),
        // Another order of children and attributes.
        Edited("</JMapProMaterial>", "<Phases Phase31=\"true\" Phase0=\"true\"/></JMapProMaterial>",
               Edited("<Phases Phase0=\"true\" Phase31=\"true\"/>", "")),
        // A second element of the same name is not read.
        Edited("</JMapProMaterial>", "</JMapProMaterial><JMapProMaterial/>",
               Edited("</Compositions>", "</Compositions><Phases Phase1=\"true\"/><Compositions/>")),
    };
    for (const std::string& text : variants) {
        rec = MatCondition{};
        EXPECT_EQ(Load(text).status, 1) << text;
        EXPECT_EQ(rec, Expected()) << text;
    }
}

// The reason names the part that is missing.
TEST_F(MatConditionDoc, FailsWithoutARequiredPart) {
    const std::pair<std::string, std::wstring> cases[] = {
        {Edited("Vantrel>", "vantrel>"), L"root element is vantrel, not Vantrel"},
        {Edited("Vantrel>", "Vantrel2>"), L"not Vantrel"},
        {Edited("</JMapProMaterial>", "</JMapProMaterial></Wrap>",
                Edited("<JMapProMaterial", "<Wrap><JMapProMaterial")),
         L"no JMapProMaterial element"},
        {Edited("allPhases=", "v:allPhases=", Edited("<Vantrel", "<Vantrel xmlns:v=\"u\"")), L"allPhases"},
        {Edited("graphiteType=\"1\"", ""), L"graphiteType"},
        {Edited("materialType=\"2\"", ""), L"materialType"},
        {Edited("materialType=\"2\"", "materialType=\"two\""), L"materialType"},
        {Edited("AlloyTempCon", "AlloyTemp"), L"no AlloyTempCon element"},
        {Edited("tempStart=", "tempstart="), L"tempStart"},
        {Edited("tempEnd=\"1273.15\"", ""), L"tempEnd"},
        {Edited("tempStep=\"-5\"", ""), L"tempStep"},
        {Edited("fractionLimit=\"0.01\"", ""), L"fractionLimit"},
        {Edited("1673.15", "1673,15"), L"tempStart"},
        {Edited("<Phases Phase0=\"true\" Phase31=\"true\"/>", ""), L"no Phases element"},
        {Edited("Compositions>", "Composition>"), L"no Compositions element"},
        {Edited("MatCompo ", "Compo "), L"MatCompo"},
        {Edited(" compo=\"", " Compo=\""), L"MatCompo"},
        // MatCompo only deeper down.
        {Edited("<MatCompo element=\"20\" base=\"false\" compo=\"3.5\"/>", "",
                Edited("<MatCompo element=\"5\" base=\"true\" compo=\"0\"/>",
                       "<G><MatCompo element=\"5\" compo=\"0\"/></G>")),
         L"MatCompo"},
        // Not XML at all: the parser's words, whatever the platform's parser says.
        {"<Vantrel><JMapProMaterial", L""},
    };
    for (const auto& [text, reason] : cases) {
        const FileResult result = Load(text);
        EXPECT_EQ(result.status, 0) << text;
        EXPECT_FALSE(result.message.empty()) << text;
        EXPECT_NE(result.message.find(reason), std::wstring::npos)
            << text << " " << WideToUtf8(result.message);
    }
}

// One document through the rules for what is optional: flags that are absent or whose text does not
// convert keep their fields; every phase flag is rewritten, "true" or 1 at an index of the catalogue
// selecting it; a composition entry needs its element and value, the later of two wins, a missing base
// is 0, and entries outside the catalogue or not directly under Compositions are skipped.
TEST_F(MatConditionDoc, OptionalPartsPhasesAndCompositionEntries) {
    for (int32_t& flag : rec.phases)
        flag = 1;
    for (MatCompoEntry& entry : rec.compositions)
        entry = {1, 1, 9.0f};
    rec.pearlitic = rec.pbSearch = rec.fastInterStitial = 1;
    const std::string phases =
        "<Phases Phase3=\"false\" Phase7=\"true\" Phase240=\"1\" Phase241=\"true\" Phase-1=\"true\" "
        "Phase08=\"true\" phase9=\"true\" Phase10=\"perhaps\"/>";
    const std::string compositions = "<Compositions>"
                                     "<MatCompo element=\"1\" base=\"true\"/>"
                                     "<MatCompo base=\"true\" compo=\"4\"/>"
                                     "<MatCompo element=\"2\" compo=\"0.25\"/>"
                                     "<MatCompo element=\"3\" base=\"true\" compo=\"1\"/>"
                                     "<MatCompo element=\"3\" base=\"false\" compo=\"2\"/>"
                                     "<MatCompo element=\"43\" compo=\"1\"/>"
                                     "<MatCompo element=\"-1\" compo=\"1\"/>"
                                     "<MatCompo element=\"x\" compo=\"1\"/>"
                                     "<MatCompo element=\"6\" compo=\"1%\"/>"
                                     "<MatCompo element=\"42\" base=\"yes\" compo=\" 1e1 \"/>"
                                     "<Group><MatCompo element=\"7\" compo=\"1\"/></Group>";
    ASSERT_EQ(Load(Edited("<Compositions>", compositions,
                          Edited("<Phases Phase0=\"true\" Phase31=\"true\"/>", phases,
                                 Edited(" pearlitic=\"true\" pbSearch=\"false\" fastInterStitial=\"true\"",
                                        " pbSearch=\"sometimes\""))))
                  .status,
              1);
    MatCondition expected = Expected();
    expected.pbSearch = 1;
    expected.phases[0] = expected.phases[31] = 0;
    expected.phases[7] = expected.phases[240] = 1;
    expected.compositions[2] = {0, 1, 0.25f};
    expected.compositions[3] = {0, 1, 2.0f};
    expected.compositions[42] = {0, 1, 10.0f};
    EXPECT_EQ(rec, expected);

    // Entries outside the catalogue alone are no composition.
    EXPECT_EQ(Load(Edited("element=\"20\"", "element=\"43\"", Edited("element=\"5\"", "element=\"100000\"")))
                  .status,
              0);
}

// A folder text that does not fit its field is refused as any attribute text is, and resPath is still
// read after it; without dataPath resPath is not read, and an absent Path keeps both.
TEST_F(MatConditionDoc, FolderTexts) {
    const std::string data = "dataPath=\"/opt/kestrum/dbdata/\"", res = "resPath=\"/tmp/job\"";
    const struct {
        std::string text;
        const wchar_t *dataPath, *resPath;
    } cases[] = {
        {Edited(data, "dataPath=\"" + std::string(kMatPathChars, 'd') + '"'), L"old data", L"/tmp/job"},
        {Edited(data, ""), L"old data", L"old job"},
        {Edited("<Path " + data + " " + res + "/>", ""), L"old data", L"old job"},
    };
    for (const auto& c : cases) {
        std::wcscpy(rec.dataPath, L"old data");
        std::wcscpy(rec.resPath, L"old job");
        ASSERT_EQ(Load(c.text).status, 1) << c.text;
        EXPECT_EQ(std::make_pair(std::wstring(rec.dataPath), std::wstring(rec.resPath)),
                  std::make_pair(std::wstring(c.dataPath), std::wstring(c.resPath)))
            << c.text;
    }
}
