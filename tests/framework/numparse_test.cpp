#include "framework/numparse.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <string_view>

namespace {

TEST(ParseLeadingIntTest, ReadsLeadingDecimalDigits) {
    // clang-format off
    const struct {
        const wchar_t* text;
        int32_t expected;
    } cases[] = {
        {nullptr, 0}, {L"", 0}, {L"42", 42}, {L" \t\n\v\f\r-17xyz", -17}, {L"+5", 5}, {L"007", 7}, {L"12 34", 12},
        {L"- 5", 0}, {L"+-5", 0}, {L"0x1A", 0},
        {L"\u00a05", 0}, {L"\uff11\uff12", 0}, // no-break space is no C-locale blank, full-width digits no digits
        {L"-123456789.5", -123456789}, {L"-1.23456789e8", -1},
        {L"2147483647", INT32_MAX}, {L"2147483648", INT32_MAX}, {L"-2147483648", INT32_MIN},
        {L"-2147483649", INT32_MIN}, {L"99999999999999999999999999", INT32_MAX},
        {L"-99999999999999999999999999", INT32_MIN},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(ParseLeadingInt(c.text), c.expected) << (c.text ? c.text : L"(null)");
    }
}

TEST(ParseLeadingDoubleTest, ReadsTheLongestNumberPrefix) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // clang-format off
    const struct {
        const wchar_t* text;
        double expected;
    } cases[] = {
        {nullptr, 0.0}, {L"", 0.0}, {L"abc", 0.0}, {L"2.5", 2.5}, {L"0.1", 0.1}, {L" \t\n\v\f\r-1.5e3x", -1500.0},
        {L"+.5", 0.5}, {L"1.", 1.0}, {L".", 0.0}, {L"-.", 0.0}, {L"-0", -0.0}, {L"1e", 1.0}, {L"1e+", 1.0},
        {L"1E-2", 0.01}, {L"12e3.5", 12000.0}, {L"1,5", 1.0}, {L"0x1p3", 0.0}, {L"\u00a05", 0.0}, {L"inf", inf},
        {L"-INF", -inf}, {L"Infinity", inf}, {L"infinit", inf}, {L"in", 0.0}, {L"nan", nan}, {L"-NaN(123)", -nan},
        {L"1e400", inf}, {L"-1e400", -inf}, {L"-1e-400", -0.0}, {L"1.7976931348623158e308", DBL_MAX},
        {L"1.7976931348623159e308", inf}, {L"0.000000000001e320", 1e308}, {L"10000000000000e-336", 1e-323},
        {L"4.9e-324", 5e-324}, {L"2.4703282292062328e-324", 5e-324}, {L"2.4703282292062327e-324", 0.0},
    };
    // clang-format on
    // Compared bit for bit, so that the sign of a zero counts.
    for (const auto& c : cases) {
        const double actual = ParseLeadingDouble(c.text);
        EXPECT_TRUE(std::isnan(c.expected)
                        ? std::isnan(actual) && std::signbit(actual) == std::signbit(c.expected)
                        : std::memcmp(&actual, &c.expected, sizeof actual) == 0)
            << (c.text ? c.text : L"(null)") << " read as " << actual;
    }
}

TEST(ParseLeadingDoubleTest, LongMantissasAreExact) {
    // Past the stack buffer; only exact decimal arithmetic gives exactly 1.
    EXPECT_EQ(ParseLeadingDouble((L"1" + std::wstring(1500, L'0') + L"e-1500").c_str()), 1.0);
    EXPECT_EQ(ParseLeadingDouble((L"0." + std::wstring(1500, L'0') + L"1e1501").c_str()), 1.0);
    // 1 + 2^-53 lies halfway between 1 and the next double; any excess, however far down, rounds up.
    const std::wstring halfway = L"1.00000000000000011102230246251565404236316680908203125";
    EXPECT_EQ(ParseLeadingDouble(halfway.c_str()), 1.0); // a tie rounds to even
    EXPECT_EQ(ParseLeadingDouble((halfway + std::wstring(2000, L'0') + L"1").c_str()), 1.0 + DBL_EPSILON);
}

#ifndef _WIN32
// Random decimal text of the shapes files hold and some they should not: blanks, signs, leading zeros,
// long mantissas, exponents past both ends of the range, trailing text.
std::string RandomDecimal(std::mt19937_64& random) {
    const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::string text(static_cast<std::size_t>(pick(3)), ' ');
    text += pick(3) == 0 ? "-" : (pick(5) == 0 ? "+" : "");
    const auto digits = [&](int count) {
        for (int i = 0; i < count; ++i)
            text += static_cast<char>('0' + pick(10));
    };
    if (pick(4) == 0)
        text += std::string(static_cast<std::size_t>(pick(5)), '0');
    digits(pick(4) ? pick(8) : pick(30));
    if (pick(3)) {
        text += '.';
        digits(pick(4) ? pick(8) : pick(30));
    }
    if (pick(3) == 0) {
        text += "eE"[pick(2)];
        text += pick(2) ? "-" : (pick(2) ? "+" : "");
        text += std::to_string(pick(2) ? pick(40) : pick(700));
    }
    if (pick(5) == 0)
        text += "x.5e1"[pick(5)];
    return text;
}

// glibc's strtod in the C locale is the model (mingw's signs a zero it did not read); the text holds no
// hex float, "inf" or "nan" for it to read otherwise.
TEST(ParseLeadingDoubleTest, AgreesBitForBitWithStrtod) {
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 200000; ++i) {
        const std::string text = RandomDecimal(random);
        const double expected = std::strtod(text.c_str(), nullptr);
        const double narrow = ParseLeadingDouble(std::string_view(text));
        const std::wstring wide(text.begin(), text.end());
        const double widened = ParseLeadingDouble(wide.c_str());
        ASSERT_EQ(std::memcmp(&narrow, &expected, sizeof narrow), 0) << text << " read as " << narrow;
        ASSERT_EQ(std::memcmp(&widened, &expected, sizeof widened), 0) << text << " read as " << widened;
    }
}
#endif

TEST(ParseLeadingBytesTest, StopAtTheEndOfTheView) {
    const std::string_view text = "12345e3";
    EXPECT_EQ(ParseLeadingDouble(text.substr(0, 2)), 12.0);
    EXPECT_EQ(ParseLeadingDouble(text.substr(0, 6)), 12345.0); // "e" without its digits
    EXPECT_EQ(ParseLeadingDouble(std::string_view("-in")), 0.0);
    EXPECT_EQ(ParseLeadingInt(text.substr(0, 3)), 123);
    EXPECT_EQ(ParseLeadingInt(std::string_view(" -")), 0);
}

} // namespace
