#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "props/datatypes.h"
#include "support/testfiles.h"

namespace {

KESTRUMMOD_DATATYPE T(int type) {
    return static_cast<KESTRUMMOD_DATATYPE>(type);
}

} // namespace

// Per type from -1 to 36: tag, name, the unit's result and text, and the type its tag maps back to.
// Out of range gives nothing; the golden file is an independent transcription.
TEST(DataTypes, EveryTypeHasItsTagNameAndUnit) {
    std::ostringstream out;
    for (int type = -1; type <= 36; ++type) {
        CString unit = L"unchanged";
        const int hasUnit = GetDataTypeUnit(T(type), &unit);
        const CString tag = KESTRUMMOD_DataTypeToTag(T(type));
        out << type << '|' << tag.ToUtf8() << '|' << KESTRUMMOD_DataTypeToString(T(type)).ToUtf8() << '|'
            << hasUnit << ' ' << unit.ToUtf8() << '|' << (tag.IsEmpty() ? -1 : KESTRUMMOD_TagToDataType(tag))
            << '\n';
    }
    EXPECT_EQ(out.str(), Golden("props/golden/datatypes.txt"));
}

// Tags and JMatPro's headings match as prefixes, the headings first; nothing is trimmed or folded.
// Each line of the golden file: the type, '|', the text.
TEST(DataTypes, TagsAndHeadingsMapToTheirTypes) {
    std::istringstream lines(Golden("props/golden/headings.txt"));
    int cases = 0;
    for (std::string line; std::getline(lines, line); ++cases) {
        const size_t bar = line.find('|');
        EXPECT_EQ(KESTRUMMOD_TagToDataType(CString::FromUtf8(line.substr(bar + 1).c_str())), std::stoi(line))
            << line;
    }
    EXPECT_EQ(cases, 34);
}
