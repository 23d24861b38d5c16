#include <string>
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

TEST(StdioFile, ReadsLfAndCrLfLinesKeepingTheLineFeed) {
    TempDir dir;
    const std::wstring path = dir.File(L"lines.txt");
    WriteBytes(path, "one\r\ntwo\n\r\nlone\rcr\nlast");
    const std::vector<std::wstring> expected = {L"one\n", L"two\n", L"\n", L"lone\rcr\n", L"last"};
    EXPECT_EQ(ReadPieces(path, 1280), expected);

    CStdioFile file;
    ASSERT_EQ(file.Open(path.c_str(), CStdioFile::modeRead), 1);
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, L"one");
    ASSERT_TRUE(file.ReadString(line));
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, L"");
}

TEST(StdioFile, LongLinesComeBackInPieces) {
    TempDir dir;
    const std::wstring path = dir.File(L"long.txt");
    WriteBytes(path, std::string(3000, 'a') + "\r\n" + std::string(1279, 'b') + "\nz");
    const auto pieces = ReadPieces(path, 1280);
    ASSERT_EQ(pieces.size(), 6u);
    EXPECT_EQ(pieces[0], std::wstring(1279, L'a'));
    EXPECT_EQ(pieces[1], std::wstring(1279, L'a'));
    EXPECT_EQ(pieces[2], std::wstring(442, L'a') + L"\n");
    EXPECT_EQ(pieces[3], std::wstring(1279, L'b')); // exactly full: the line feed comes alone
    EXPECT_EQ(pieces[4], L"\n");
    EXPECT_EQ(pieces[5], L"z");

    // A tiny buffer still makes progress; one with no room for a character reads nothing.
    EXPECT_EQ(ReadPieces(path, 2).size(), 3000u + 1 + 1279 + 1 + 1);
    CStdioFile file;
    wchar_t one[1];
    ASSERT_EQ(file.Open(path.c_str(), CStdioFile::modeRead), 1);
    EXPECT_EQ(file.ReadString(one, 1), nullptr);
}

TEST(StdioFile, WritesCrLfAndRoundTripsText) {
    TempDir dir;
    const std::wstring path = dir.File(L"out.txt");
    CStdioFile file;
    ASSERT_EQ(file.Open(path.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText),
              1);
    EXPECT_EQ(file.WriteString(L"T(C)\tD-TOTAL\t\n"), 1);
    EXPECT_EQ(file.WriteString(L"700\t2.7\t\n\n"), 1);
    EXPECT_EQ(file.WriteString(L"caf\u00E9"), 1);
    ASSERT_EQ(file.Close(), 1);
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.substr(0, 27), "T(C)\tD-TOTAL\t\r\n700\t2.7\t\r\n\r\n");

    // Whatever the platform's 8-bit encoding, text written reads back the same.
    const std::vector<std::wstring> expected = {L"T(C)\tD-TOTAL\t\n", L"700\t2.7\t\n", L"\n", L"caf\u00E9"};
    EXPECT_EQ(ReadPieces(path, 1280), expected);

    // Creating again truncates.
    ASSERT_EQ(file.Open(path.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite), 1);
    ASSERT_EQ(file.Close(), 1);
    EXPECT_EQ(ReadBytes(path), "");
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

    EXPECT_EQ(file.ReadString(small, 8), nullptr);
    EXPECT_EQ(file.WriteString(L"x"), 0);
}

TEST(DebugOutput, SinkCapturesAndRestores) {
    std::wstring captured;
    auto previous = SetDebugOutputSink([&](const wchar_t* text) { captured += text; });
    DebugOutput(L"first ");
    DebugOutput(nullptr);
    DebugOutput(L"second\n");
    auto mine = SetDebugOutputSink(previous);
    EXPECT_EQ(captured, L"first second\n");
    EXPECT_TRUE(static_cast<bool>(mine));
    DebugOutput(L""); // the platform's output again; nothing captured
    EXPECT_EQ(captured, L"first second\n");
}
