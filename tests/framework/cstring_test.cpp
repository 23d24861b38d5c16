#include <gtest/gtest.h>

#include "framework/cstring.h"
#include "support/testfiles.h"

TEST(CString, ConstructionAndConversions) {
    EXPECT_TRUE(CString().IsEmpty());
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

TEST(CString, SearchAndPieces) {
    const CString s(L"C:/Temp//Kestrum/job");
    EXPECT_EQ(s.Find(L"//"), 7);
    EXPECT_EQ(s.Find(L'/', 3), 7);
    EXPECT_EQ(s.Find(L"x"), -1);
    EXPECT_EQ(s.Find(L"Temp", 100), -1);
    EXPECT_EQ(s.ReverseFind(L'/'), 16);
    EXPECT_EQ(s.Left(2), L"C:");
    EXPECT_EQ(s.Left(-1), L"");
    EXPECT_EQ(s.Left(1000), s);
    EXPECT_EQ(s.Mid(17), L"job");
    EXPECT_EQ(s.Mid(3, 4), L"Temp");
    EXPECT_EQ(s.Mid(100), L"");
    EXPECT_EQ(s.Right(3), L"job");
    EXPECT_EQ(s.Right(-2), L"");
}

TEST(CString, ReplaceNormalisesPathSeparators) {
    CString path(L"C:/Temp//Kestrum/job");
    EXPECT_EQ(path.Replace(L'/', L'\\'), 4);
    EXPECT_EQ(path.Replace(L"\\\\", L"\\"), 1);
    EXPECT_EQ(path, L"C:\\Temp\\Kestrum\\job");
    EXPECT_EQ(path.Replace(L"", L"x"), 0);
    CString aaa(L"aaaa");
    EXPECT_EQ(aaa.Replace(L"aa", L"a"), 2); // no re-scan of replaced text
    EXPECT_EQ(aaa, L"aa");
}

TEST(CString, ComparisonConcatenationAndCase) {
    CString a(L"Alpha");
    EXPECT_EQ(a.Compare(L"Alpha"), 0);
    EXPECT_LT(a.Compare(L"Beta"), 0);
    EXPECT_EQ(a.CompareNoCase(L"aLPHA"), 0);
    EXPECT_GT(a.CompareNoCase(L"ALP"), 0);
    CString out = a + L"-" + CString(L"Beta");
    out += L'!';
    EXPECT_EQ(out, L"Alpha-Beta!");
    EXPECT_EQ(CString(L"x.DAT").MakeLower(), L"x.dat");
    EXPECT_EQ(CString(L"  T (C) \t\n").TrimRight(), L"  T (C)");
    EXPECT_EQ(CString(L"  T (C) \t\n").Trim(), L"T (C)");
    EXPECT_EQ(CString(L" \t ").Trim(), L"");
}

TEST(CString, FormatUsesWideStringsAndTheCLocale) {
    CString s;
    s.Format(L"%s=%d (%hs) %5.2f|%-4s|%c", L"T", -12, "n\xC3\xA4rrow", 3.14159, L"ab", L'Z');
    EXPECT_EQ(s, L"T=-12 (n\u00E4rrow)  3.14|ab  |Z");
    s.AppendFormat(L" %g", 1e-5);
    EXPECT_EQ(s.Right(6), L" 1e-05");
}
