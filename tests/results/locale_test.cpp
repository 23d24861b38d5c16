// A host may switch the process to a locale with a decimal comma; result files must not notice.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "framework/cstring.h"
#include "results/resultfile.h"
#include "support/testfiles.h"

namespace {

#ifdef _WIN32
bool SwitchToDecimalComma(const TempDir&) {
    for (const char* name : {"de-DE", "German_Germany.1252", "German"}) {
        if (std::setlocale(LC_ALL, name))
            return true;
    }
    return false;
}
#else
// Builds a German locale into the scratch folder with localedef, so the test needs no installed one.
bool SwitchToDecimalComma(const TempDir& dir) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8"))
        return true;
    const std::string target = (dir.Path() / "de_DE.UTF-8").string();
    const std::string command = "localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return false;
    setenv("LOCPATH", dir.Path().string().c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}
#endif

class DecimalCommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SwitchToDecimalComma(dir))
            GTEST_SKIP() << "no decimal-comma locale could be made on this machine";
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%.1f", 2.5);
        if (std::string(buffer) != "2,5")
            GTEST_SKIP() << "the locale switched, but the C library still writes " << buffer;
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }

    TempDir dir;
};

} // namespace

TEST_F(DecimalCommaLocale, ReaderAndWriterStayWithTheDecimalPoint) {
    const std::wstring in = dir.File(L"in.out");
    WriteBytes(in, "T(C)\tD-TOTAL\tPR-TOTAL\n700.5\t2.7\t0.33\n");
    CMatProps set;
    ASSERT_EQ(ReadResultFile(in.c_str(), set, kFormatEngine).status, 1);
    ASSERT_EQ(set.m_series.at(0).m_points.size(), 1u);
    EXPECT_EQ(set.m_series[0].m_points[0].x, 700.5f);
    EXPECT_FLOAT_EQ(set.m_series[0].m_points[0].y, 2700.0f);

    const std::wstring out = dir.File(L"out.out");
    ASSERT_EQ(WriteResultFile(out.c_str(), set).status, 1);
    EXPECT_EQ(ReadBytes(out), "T(C)\tD-TOTAL\tPR-TOTAL\t\r\n700.5\t2.7\t0.33\t\r\n");

    CString text;
    text.Format(L"%g|%.2f|%e", 2.5, 0.126, 1500.0);
    EXPECT_EQ(text, L"2.5|0.13|1.500000e+03");
}
