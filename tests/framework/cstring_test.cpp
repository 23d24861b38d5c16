#include <vector>

#include <gtest/gtest.h>

#include "framework/cstring.h"
#include "support/testfiles.h"

TEST(CString, ConstructionAndConversions) {
    EXPECT_EQ(CString(static_cast<const wchar_t*>(nullptr)).GetLength(), 0);
    EXPECT_EQ(CString(L"abcdef", 3), L"abc");
    EXPECT_EQ(CString(L'-', 4), L"----");

    // UTF-8 in, with a character outside the basic plane (a surrogate pair on Windows).
    const CString text("Gie\xC3\x9F"
                       "form \xE2\x84\x83 \xF0\x9F\x94\xA5");
    EXPECT_EQ(text.GetAt(3), L'\u00DF');
    EXPECT_EQ(text.ToUtf8(), "Gie\xC3\x9F"
                             "form \xE2\x84\x83 \xF0\x9F\x94\xA5");
    EXPECT_EQ(text.GetLength(), sizeof(wchar_t) == 2 ? 13 : 12);
    // Bytes that are not UTF-8 read as Latin-1 instead of being lost.
    EXPECT_EQ(CString("Temp\xB0"
                      "C"),
              L"Temp\u00B0C");
    EXPECT_EQ(CString::FromUtf8("\xE9t\xC3\xA9"), L"\u00E9t\u00E9");
}

// Positions and lengths past either end give -1, nothing or the whole string.
TEST(CString, SearchPiecesAndCase) {
    const CString s(L"C:/Temp//Kestrum/job");
    EXPECT_EQ((std::vector<int>{s.Find(L"//"), s.Find(L'/', 3), s.Find(L"x"), s.Find(L"Temp", 100),
                                s.CompareNoCase(L"c:/temp//KESTRUM/JOB"), s.CompareNoCase(L"C:/T") > 0}),
              (std::vector<int>{7, 7, -1, -1, 0, 1}));
    EXPECT_EQ((std::vector<CString>{s.Left(2), s.Left(-1), s.Left(1000), s.Mid(17), s.Mid(3, 4), s.Mid(100),
                                    s.Right(3), s.Right(-2), s.Right(1000)}),
              (std::vector<CString>{L"C:", L"", s, L"job", L"Temp", L"", L"job", L"", s}));
}

TEST(CString, ReplaceNormalisesPathSeparators) {
    CString path(L"C:/Temp//Kestrum/job");
    EXPECT_EQ(path.Replace(L'/', L'\\'), 4);
    EXPECT_EQ(path.Replace(L"\\\\", L"\\"), 1);
    EXPECT_EQ(path + L'!', L"C:\\Temp\\Kestrum\\job!");
    CString aaa(L"aaaa");
    EXPECT_EQ(aaa.Replace(L"aa", L"a"), 2); // no re-scan of replaced text
    EXPECT_EQ(aaa, L"aa");
}
