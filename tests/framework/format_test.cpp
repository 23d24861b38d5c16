#include "framework/format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

std::wstring Format(const wchar_t* format, ...) {
    std::wstring out;
    va_list args;
    va_start(args, format);
    AppendFormatV(out, format, args);
    va_end(args);
    return out;
}

std::wstring General(double value) {
    std::wstring out;
    AppendGeneral(out, value);
    return out;
}

const double kInf = std::numeric_limits<double>::infinity();
const double kNan = std::numeric_limits<double>::quiet_NaN();

#ifndef _WIN32
std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// glibc's snprintf in the C locale is the reference natively.
template <class... Args> std::string CFormat(const std::string& format, Args... args) {
    std::vector<char> buffer(8192);
    std::snprintf(buffer.data(), buffer.size(), format.c_str(), args...);
    return buffer.data();
}
#endif

// Natively SweepAgainstGlibc below tries every flag, width and precision of each conversion; these are
// the length modifiers it leaves out: long (whose size differs between the trees), long double and
// Microsoft's, each followed by an int that must still be found.
TEST(FormatTest, LengthModifiers) {
    EXPECT_EQ(Format(L"%ld|%Lf|%La|%I64d|%I64x|%I32d|%Iu|%d", -5L, 1.5L, 3.0L, INT64_MIN, UINT64_MAX,
                     INT32_MIN, size_t{1} << 40, 7),
              L"-5|1.500000|0xcp-2|-9223372036854775808|ffffffffffffffff|-2147483648|1099511627776|7");
}

TEST(FormatTest, ZeroKeepingGeneralForm) {
    EXPECT_EQ(Format(L"%#g|%#G|%#.3g", 999999.5, 999999.5, 999.5), L"1.00000e+06|1.00000E+06|1.00e+03");
}

TEST(FormatTest, WideAndNarrowText) {
    EXPECT_EQ(Format(L"[%s][%ls][%5s][%-5s][%.2s]", L"abc", L"de", L"abc", L"abc", L"abc"),
              L"[abc][de][  abc][abc  ][ab]");
    EXPECT_EQ(Format(L"%s|%hs", static_cast<const wchar_t*>(nullptr), static_cast<const char*>(nullptr)),
              L"(null)|(null)");
    EXPECT_EQ(Format(L"[%c][%3c][%-3c][%lc][%hc][%hc]", L'x', L'y', L'z', L'\u00e9', 'n', '\xE9'),
              L"[x][  y][z  ][\u00e9][n][\u00e9]");
}

// Unknown conversions, a '*' width or precision among them, take no argument and are copied through;
// so is a trailing '%'.
TEST(FormatTest, PointersAndLiteralText) {
    EXPECT_EQ(Format(L"%p|%p|%y|%5k|%*d|%.*f|%n%d|%%|100%", reinterpret_cast<void*>(0x1234),
                     static_cast<void*>(nullptr), 7),
              L"0x1234|(nil)|%y|%5k|%*d|%.*f|%n7|%|100%");
}

TEST(FormatTest, AppendGeneralMatchesPercentG) {
    for (double value :
         {0.5, 1e-5, 123456789.0, 100000.0, 1e6, 0.0001, -0.0, -1.23456789e-308, kInf, -kNan}) {
        EXPECT_EQ(General(value), Format(L"%g", value)) << value;
    }
    EXPECT_EQ(General(-1.23456789e-308), L"-1.23457e-308");
#ifndef _WIN32
    std::mt19937_64 random(12345);
    for (int i = 0; i < 100000; ++i) {
        double value;
        const uint64_t bits = random();
        std::memcpy(&value, &bits, sizeof value);
        ASSERT_EQ(General(value), Widen(CFormat("%g", value))) << bits;
    }
#endif
}

#ifndef _WIN32
// Every combination of flags, width and precision against glibc, for each conversion.
// glibc's "%#g" drops the zeros '#' keeps when rounding carries into a new exponent ("1.e+06" for
// 999999.5); we print what C specifies, checked in ZeroKeepingGeneralForm.
template <class T> bool GlibcIsWrong(const std::string& format, T value) {
    return format.find('#') != std::string::npos && (format.back() == 'g' || format.back() == 'G') &&
           value == T(999999.5);
}

template <class T>
void Sweep(const std::vector<std::string>& conversions, const std::vector<std::string>& precisions,
           const std::vector<T>& values) {
    std::vector<std::string> failures;
    for (const char* flags : {"", "-", "+", " ", "#", "0", "-+", "+0", " 0", "#0", "-#", "+#0", "- 0#"}) {
        for (const char* width : {"", "1", "8", "25"}) {
            for (const std::string& precision : precisions) {
                for (const std::string& conversion : conversions) {
                    const std::string format = std::string("%") + flags + width + precision + conversion;
                    for (T value : values) {
                        if (Format(Widen(format).c_str(), value) != Widen(CFormat(format, value)) &&
                            !GlibcIsWrong(format, value)) {
                            failures.push_back(format + " of " + std::to_string(value));
                        }
                    }
                }
            }
        }
    }
    EXPECT_TRUE(failures.empty()) << failures.size() << " mismatches, first " << failures.front();
}

TEST(FormatTest, SweepAgainstGlibc) {
    Sweep<double>({"f", "F", "e", "E", "g", "G", "a", "A"}, {"", ".", ".0", ".1", ".3", ".6", ".17", ".40"},
                  {0.0,    -0.0,     0.5,      1.0,       -1.5, 2.5,    0.1,    1e-5,    0.0001,  123456789.0,
                   1e5,    1e6,      999999.5, 9.9999995, 1e22, 1e-300, 5e-324, DBL_MIN, DBL_MAX, 3.14159,
                   -2.675, 1.234e-4, 1e15,     1e16,      1e17, kInf,   -kInf,  kNan,    -kNan});
    const std::vector<std::string> precisions = {"", ".", ".0", ".1", ".5", ".25"};
    const std::vector<std::string> integers = {"d", "i", "u", "o", "x", "X"};
    Sweep<int>(integers, precisions, {0, 1, -1, 7, 42, 255, -255, INT_MAX, INT_MIN, 1000000});
    auto withLength = [&](const std::string& length) {
        std::vector<std::string> result;
        for (const std::string& conversion : integers) {
            result.push_back(length + conversion);
        }
        return result;
    };
    Sweep<int>(withLength("hh"), precisions, {300, -129, 127});
    Sweep<int>(withLength("h"), precisions, {70000, -32769, 32767});
    Sweep<long long>(withLength("ll"), precisions, {LLONG_MIN, LLONG_MAX, -1});
    Sweep<intmax_t>(withLength("j"), precisions, {INTMAX_MIN, -1});
    Sweep<ptrdiff_t>(withLength("z"), precisions, {PTRDIFF_MIN, -1});
    Sweep<ptrdiff_t>(withLength("t"), precisions, {PTRDIFF_MIN, -1});
}
#endif

} // namespace
