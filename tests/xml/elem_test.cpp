#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "framework/utf.h"
#include "xml/elem.h"

namespace {

// Counts destructions, so that tests see every element of a tree go exactly once.
class CCountedElem : public CElem {
public:
    CCountedElem(const wchar_t* name, CElem* parent, int* deaths)
        : CElem(name, L"", parent), m_deaths(deaths) {
        if (parent)
            parent->AddChild(this);
    }
    ~CCountedElem() override { ++*m_deaths; }

private:
    int* m_deaths;
};

} // namespace

TEST(ElemString, TreatsAbsentAsEmpty) {
    EXPECT_STREQ(CElemString(static_cast<const wchar_t*>(nullptr)).c_str(), L"");
}

TEST(Elem, OwnsItsTreeAndDetachUnlinksFromTheParentOnly) {
    int deaths = 0;
    auto* root = new CCountedElem(L"root", nullptr, &deaths);
    EXPECT_EQ(root->Detach(), 0);
    auto* first = new CCountedElem(L"first", root, &deaths);
    new CCountedElem(L"leaf", first, &deaths);
    auto* second = new CCountedElem(L"second", root, &deaths);
    auto* third = new CCountedElem(L"third", root, &deaths);
    root->AddChild(second); // listed twice: Detach removes both entries
    int32_t value = 3;
    SetAttrInt(&value, L"n", first);
    root->AddCData(new CElemCData(L"one", root));
    root->AddCData(new CElemCData(L"two", root));
    EXPECT_EQ(root->GetCData().back()->GetText().view(), L"two");

    EXPECT_EQ(second->Detach(), 1);
    EXPECT_EQ(second->GetParent(), root);
    delete second;
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(root->GetChildren(), (std::list<CElem*>{first, third}));
    delete root;
    EXPECT_EQ(deaths, 5);
}

// Attribute texts as the typed Get operations take them. An absent value (nullopt) means 0 and the
// target untouched: an absent attribute and a text that does not convert are the same to a caller.
TEST(ElemAttrs, TextsConvertLikeTheVariantConversion) {
    constexpr auto no = std::nullopt;
    // Integers round half to even.
    // clang-format off
    const struct {
        const wchar_t* text; // null: no attribute at all
        std::optional<int32_t> i;
        std::optional<float> f;
        std::optional<int32_t> b;
    } cases[] = {
        {nullptr, no, no, no}, {L"42", 42, 42.0f, 1}, {L"  -17\t", -17, -17.0f, 1}, {L" +2.5 ", 2, 2.5f, 1},
        {L"3.5", 4, 3.5f, 1}, {L"-2.5", -2, -2.5f, 1}, {L"2.51", 3, 2.51f, 1}, {L"1e3", 1000, 1000.0f, 1},
        {L"2147483647", INT32_MAX, 2147483647.0f, 1}, {L"-2147483648", INT32_MIN, -2147483648.0f, 1},
        {L"2147483648", no, 2147483648.0f, 1}, {L"-2147483649", no, -2147483649.0f, 1}, {L"1e39", no, no, 1},
        {L"0.0", 0, 0.0f, 0}, {L"1.17549435e-38", 0, 1.17549435e-38f, 1}, {L"TRUE", no, no, 1},
        {L" False ", no, no, 0}, {L"inf", no, no, no}, {L" -Infinity", no, no, no}, {L"+INF", no, no, no},
        {L"NaN", no, no, no}, {L"-nan", no, no, no},
        {L"", no, no, no}, {L"  ", no, no, no}, {L"+-1", no, no, no}, {L"--1", no, no, no}, {L"1 2", no, no, no},
        {L"12abc", no, no, no}, {L"0x10", no, no, no}, {L"1,000", no, no, no}, {L"yes", no, no, no},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? '"' + WideToUtf8(c.text) + '"' : "no attribute");
        CElem elem(L"e", L"", nullptr);
        if (c.text)
            SetAttrString(c.text, L"v", &elem);
        int32_t i = -99, b = -99;
        float f = -99;
        EXPECT_EQ(GetAttrInt(&i, L"v", &elem), c.i ? 1 : 0);
        EXPECT_EQ(i, c.i.value_or(-99));
        EXPECT_EQ(GetAttrFloat(&f, L"v", &elem), c.f ? 1 : 0);
        EXPECT_EQ(f, c.f.value_or(-99));
        EXPECT_EQ(GetAttrBool(&b, L"v", &elem), c.b ? 1 : 0);
        EXPECT_EQ(b, c.b.value_or(-99));
    }
}

// GetAttrString reads the first attribute of exactly that name. A value that does not fit the
// caller's buffer with its terminator is refused, not cut.
TEST(ElemAttrs, StringsComeFromTheFirstExactMatchAndMustFit) {
    CElem elem(L"e", L"", nullptr);
    SetAttrString(L"abcd", L"a", &elem);
    SetAttrString(L"up", L"A", &elem);
    SetAttrString(L"second", L"a", &elem);
    SetAttrString(L"", L"empty", &elem);
    EXPECT_EQ(elem.GetAttrs().size(), 4u);
    wchar_t small[4] = L"old", exact[5] = L"", upper[5] = L"";
    EXPECT_EQ(
        (std::tuple{GetAttrString(small, L"a", &elem), std::wstring(small), GetAttrString(exact, L"a", &elem),
                    std::wstring(exact), GetAttrString(upper, L"A", &elem), std::wstring(upper)}),
        std::make_tuple(0, std::wstring(L"old"), 1, std::wstring(L"abcd"), 1, std::wstring(L"up")));
    EXPECT_EQ(GetAttrString(small, 0, L"empty", &elem), 0);
    EXPECT_EQ(GetAttrString(small, L"empty", &elem), 1);
    EXPECT_STREQ(small, L"");
}
