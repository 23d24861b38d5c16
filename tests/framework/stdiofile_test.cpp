#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "framework/debugout.h"
#include "framework/stdiofile.h"
#include "support/testfiles.h"

namespace {

std::vector<std::wstring> ReadPieces(const std::wstring& path, unsigned maxChars) {
    CStdioFile file;
    EXPECT_EQ(file.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::typeText), 1);
    std::vector<std::wstring> pieces;
    std::vector<wchar_t> buffer(maxChars);
    while (file.ReadString(buffer.data(), maxChars))
        pieces.emplace_back(buffer.data());
    EXPECT_FALSE(file.HasFailed());
    EXPECT_EQ(file.Close(), 1);
    return pieces;
}

} // namespace

// Text mode both ways: "\n" goes out as CR LF; LF or CR LF ends a line read back, a lone CR is text,
// and the last line needs no end. Whatever the platform's 8-bit encoding, text written reads back.
TEST(StdioFile, WritesCrLfAndReadsLfAndCrLfLines) {
    TempDir dir;
    const std::wstring path = dir.File(L"out.txt");
    CStdioFile file;
    ASSERT_EQ(file.Open(path.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText),
              1);
    EXPECT_EQ(file.WriteString(L"T(C)\tD-TOTAL\n\nlone\rcr\n"), 1);
    EXPECT_EQ(file.WriteString(L"caf\u00E9"), 1);
    ASSERT_EQ(file.Close(), 1);
    EXPECT_EQ(ReadBytes(path).substr(0, 25), "T(C)\tD-TOTAL\r\n\r\nlone\rcr\r\n");
    const std::vector<std::wstring> expected = {L"T(C)\tD-TOTAL\n", L"\n", L"lone\rcr\n", L"caf\u00E9"};
    EXPECT_EQ(ReadPieces(path, 1280), expected);

    WriteBytes(path, "one\n\r\nlast");
    ASSERT_EQ(file.Open(path.c_str(), CStdioFile::modeRead), 1);
    std::vector<CString> lines;
    for (CString line; file.ReadString(line);)
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<CString>{L"one", L"", L"last"}));
}

// A piece holds at most maxChars - 1 characters: a longer line comes back in pieces, and a line that
// fills a piece exactly leaves its line feed to come alone.
TEST(StdioFile, LongLinesComeBackInPieces) {
    TempDir dir;
    const std::wstring path = dir.File(L"long.txt");
    WriteBytes(path, std::string(3000, 'a') + "\r\n" + std::string(1279, 'b') + "\nz");
    EXPECT_EQ(
        ReadPieces(path, 1280),
        (std::vector<std::wstring>{std::wstring(1279, L'a'), std::wstring(1279, L'a'),
                                   std::wstring(442, L'a') + L"\n", std::wstring(1279, L'b'), L"\n", L"z"}));
    // A tiny buffer still makes progress; one with no room for a character reads nothing.
    EXPECT_EQ(ReadPieces(path, 2).size(), 3000u + 1 + 1279 + 1 + 1);
    CStdioFile file;
    wchar_t one[1];
    ASSERT_EQ(file.Open(path.c_str(), CStdioFile::modeRead), 1);
    EXPECT_EQ(file.ReadString(one, 1), nullptr);
}

TEST(StdioFile, OpenFailureCarriesTheSystemMessage) {
    TempDir dir;
    const std::wstring path = dir.File(L"absent.txt");
    CStdioFile file;
    CFileException error;
    EXPECT_EQ(file.Open(path.c_str(), CStdioFile::modeRead, &error), 0);
    EXPECT_NE(error.m_osError, 0);
    const CString message = error.GetErrorMessage();
    EXPECT_EQ(message.Find(path.c_str()), 0);
    EXPECT_GT(message.GetLength(), static_cast<int>(path.size()) + 5);

    wchar_t small[8];
    EXPECT_EQ(error.GetErrorMessage(small, 8), 1);
    EXPECT_EQ(std::wstring(small), message.Left(7).Str());
    EXPECT_EQ(error.GetErrorMessage(small, 0), 0);
    // A file that did not open reads and writes nothing.
    EXPECT_EQ(std::pair(file.ReadString(small, 8), file.WriteString(L"x")),
              (std::pair<wchar_t*, int>(nullptr, 0)));
}

// A sink installed inside another gets only its own text, and the outer one is back after it.
TEST(DebugOutput, SinksNestAndRestore) {
    std::wstring inner;
    const std::wstring outer = DebugOutputOf([&] {
        DebugOutput(L"first ");
        inner = DebugOutputOf([] { DebugOutput(L"inner"); });
        DebugOutput(nullptr);
        DebugOutput(L"second\n");
    });
    EXPECT_EQ(inner + L"|" + outer, L"inner|first second\n");
}
