#include <cstdint>
#include <cwchar>
#include <string>

#include <gtest/gtest.h>

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

std::string Narrow(std::wstring_view text) {
    return std::string(text.begin(), text.end());
}

CElem* StringAttr(CElem* elem, const wchar_t* name, const wchar_t* text) {
    SetAttrString(text, name, elem);
    return elem;
}

} // namespace

TEST(ElemString, SharesOneBufferAndTreatsAbsentAsEmpty) {
    CElemString absent(static_cast<const wchar_t*>(nullptr));
    EXPECT_TRUE(absent.empty());
    EXPECT_STREQ(absent.c_str(), L"");

    CElemString a(L"name");
    CElemString b = a;
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(b.view(), L"name");
    EXPECT_EQ(b.size(), 4u);
}

TEST(Elem, DestroyingARootDestroysEveryElementOnce) {
    int deaths = 0;
    auto* root = new CCountedElem(L"root", nullptr, &deaths);
    auto* mid = new CCountedElem(L"mid", root, &deaths);
    new CCountedElem(L"leaf1", mid, &deaths);
    new CCountedElem(L"leaf2", mid, &deaths);
    new CCountedElem(L"side", root, &deaths);
    root->AddCData(new CElemCData(L"cdata", root));
    int32_t value = 3;
    SetAttrInt(&value, L"n", mid);
    delete root;
    EXPECT_EQ(deaths, 5);
}

TEST(Elem, DetachUnlinksFromTheParentOnly) {
    int deaths = 0;
    CCountedElem root(L"root", nullptr, &deaths);
    EXPECT_EQ(root.Detach(), 0);

    auto* first = new CCountedElem(L"first", &root, &deaths);
    auto* second = new CCountedElem(L"second", &root, &deaths);
    auto* third = new CCountedElem(L"third", &root, &deaths);
    root.AddChild(second); // listed twice: Detach removes both entries
    EXPECT_EQ(second->Detach(), 1);
    EXPECT_EQ(second->GetParent(), &root);
    delete second;
    EXPECT_EQ(deaths, 1);
    ASSERT_EQ(root.GetChildren().size(), 2u);
    EXPECT_EQ(root.GetChildren().front(), first);
    EXPECT_EQ(root.GetChildren().back(), third);
}

TEST(Elem, AddIgnoresNullAndKeepsOrder) {
    CElem elem(L"e", L"", nullptr);
    EXPECT_EQ(elem.AddChild(nullptr), nullptr);
    EXPECT_EQ(elem.AddAttr(nullptr), nullptr);
    EXPECT_EQ(elem.AddCData(nullptr), nullptr);
    EXPECT_TRUE(elem.GetChildren().empty());
    EXPECT_TRUE(elem.GetAttrs().empty());
    EXPECT_TRUE(elem.GetCData().empty());

    elem.AddCData(new CElemCData(L"one", &elem));
    elem.AddCData(new CElemCData(L"two", &elem));
    EXPECT_EQ(elem.GetCData().back()->GetText().view(), L"two");
    EXPECT_EQ(elem.GetCData().back()->GetOwner(), &elem);
}

TEST(Elem, FindAttrTakesTheFirstExactMatch) {
    CElem elem(L"e", L"", nullptr);
    StringAttr(&elem, L"a", L"first");
    StringAttr(&elem, L"A", L"upper");
    StringAttr(&elem, L"a", L"second");
    StringAttr(&elem, L"", L"unnamed");
    EXPECT_EQ(elem.GetAttrs().size(), 4u);

    wchar_t buffer[16] = L"";
    EXPECT_EQ(GetAttrString(buffer, L"a", &elem), 1);
    EXPECT_STREQ(buffer, L"first");
    EXPECT_EQ(GetAttrString(buffer, L"A", &elem), 1);
    EXPECT_STREQ(buffer, L"upper");
    EXPECT_EQ(elem.FindAttr(L"").kind(), CElemVariant::Kind::Empty);
    EXPECT_EQ(elem.FindAttr(nullptr).kind(), CElemVariant::Kind::Empty);
    EXPECT_EQ(elem.FindAttr(L"aa").kind(), CElemVariant::Kind::Empty);
}

TEST(ElemAttrs, SetValueCopiesAndClearsTheCallersVariant) {
    CElem elem(L"e", L"", nullptr);
    CElemVariant value = CElemVariant::FromString(L"text");
    EXPECT_EQ(SetAttrValue(L"v", &value, &elem), 1);
    EXPECT_EQ(value.kind(), CElemVariant::Kind::Empty);

    CElemVariant read;
    EXPECT_EQ(GetAttrValue(&read, L"v", &elem), 1);
    std::wstring text;
    ASSERT_TRUE(read.ToText(&text));
    EXPECT_EQ(text, L"text");
    EXPECT_EQ(GetAttrValue(&read, L"missing", &elem), 0);
    EXPECT_EQ(read.kind(), CElemVariant::Kind::String);
}

TEST(ElemAttrs, AbsentOrUnconvertibleLeavesTheTargetAlone) {
    CElem elem(L"e", L"", nullptr);
    StringAttr(&elem, L"word", L"abc");
    StringAttr(&elem, L"partial", L"12abc");
    int32_t i = 77;
    float f = 7.5f;
    int32_t flag = 5;
    wchar_t buffer[8] = L"keep";
    for (const wchar_t* name : {L"missing", L"word", L"partial"}) {
        EXPECT_EQ(GetAttrInt(&i, name, &elem), 0) << name;
        EXPECT_EQ(GetAttrFloat(&f, name, &elem), 0) << name;
        EXPECT_EQ(GetAttrBool(&flag, name, &elem), 0) << name;
    }
    EXPECT_EQ(GetAttrString(buffer, L"missing", &elem), 0);
    EXPECT_EQ(i, 77);
    EXPECT_EQ(f, 7.5f);
    EXPECT_EQ(flag, 5);
    EXPECT_STREQ(buffer, L"keep");
}

TEST(ElemAttrs, IntegersFromTextFollowTheVariantConversion) {
    struct Case {
        const wchar_t* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {L"42", true, 42},
        {L"  -17\t", true, -17},
        {L"+8", true, 8},
        {L"2.5", true, 2},
        {L"3.5", true, 4},
        {L"-2.5", true, -2},
        {L"2.51", true, 3},
        {L"1e3", true, 1000},
        {L"2147483647", true, INT32_MAX},
        {L"-2147483648", true, INT32_MIN},
        {L"2147483648", false, 0},
        {L"-2147483649", false, 0},
        {L"", false, 0},
        {L"  ", false, 0},
        {L"+-1", false, 0},
        {L"--1", false, 0},
        {L"1 2", false, 0},
        {L"inf", false, 0},
        {L"nan", false, 0},
        {L"0x10", false, 0},
        {L"1,000", false, 0},
    };
    for (const Case& c : cases) {
        CElem elem(L"e", L"", nullptr);
        StringAttr(&elem, L"n", c.text);
        int32_t value = -99;
        EXPECT_EQ(GetAttrInt(&value, L"n", &elem), c.ok ? 1 : 0) << '"' << Narrow(c.text) << '"';
        EXPECT_EQ(value, c.ok ? c.value : -99) << '"' << Narrow(c.text) << '"';
    }
}

TEST(ElemAttrs, FloatsReadBackExactlyAndRejectOutOfRange) {
    for (float value : {0.1f, -3.25f, 1e-10f, 3.4028235e38f, 1.17549435e-38f, 0.0f, 123456.79f}) {
        CElem elem(L"e", L"", nullptr);
        SetAttrFloat(&value, L"f", &elem);
        std::wstring text;
        ASSERT_TRUE(elem.FindAttr(L"f").ToText(&text));
        CElem reread(L"e", L"", nullptr);
        StringAttr(&reread, L"f", text.c_str());
        float back = -1;
        EXPECT_EQ(GetAttrFloat(&back, L"f", &reread), 1);
        EXPECT_EQ(back, value) << Narrow(text);
    }
    CElem elem(L"e", L"", nullptr);
    float value = 0.1f;
    SetAttrFloat(&value, L"f", &elem);
    std::wstring text;
    elem.FindAttr(L"f").ToText(&text);
    EXPECT_EQ(text, L"0.1");

    StringAttr(&elem, L"big", L"1e39");
    StringAttr(&elem, L"blank", L" +2.5 ");
    float target = 9;
    EXPECT_EQ(GetAttrFloat(&target, L"big", &elem), 0);
    EXPECT_EQ(GetAttrFloat(&target, L"blank", &elem), 1);
    EXPECT_EQ(target, 2.5f);
}

TEST(ElemAttrs, BooleansFromWordsAndNumbers) {
    CElem elem(L"e", L"", nullptr);
    int32_t two = 2, zero = 0;
    SetAttrBool(&two, L"two", &elem);
    SetAttrBool(&zero, L"zero", &elem);
    wchar_t buffer[8];
    GetAttrString(buffer, L"two", &elem);
    EXPECT_STREQ(buffer, L"true");
    GetAttrString(buffer, L"zero", &elem);
    EXPECT_STREQ(buffer, L"false");

    struct Case {
        const wchar_t* text;
        int32_t flag;
    } cases[] = {{L"true", 1}, {L"TRUE", 1}, {L" False ", 0}, {L"0", 0}, {L"2", 1}, {L"-1", 1}, {L"0.0", 0}};
    for (const Case& c : cases) {
        CElem e(L"e", L"", nullptr);
        StringAttr(&e, L"b", c.text);
        int32_t flag = 7;
        EXPECT_EQ(GetAttrBool(&flag, L"b", &e), 1);
        EXPECT_EQ(flag, c.flag);
    }
    CElem e(L"e", L"", nullptr);
    StringAttr(&e, L"b", L"yes");
    int32_t flag = 7;
    EXPECT_EQ(GetAttrBool(&flag, L"b", &e), 0);
    EXPECT_EQ(flag, 7);
}

TEST(ElemAttrs, TypedValuesConvertWithoutText) {
    CElem elem(L"e", L"", nullptr);
    int32_t i = -5;
    float f = 2.5f;
    SetAttrInt(&i, L"i", &elem);
    SetAttrFloat(&f, L"f", &elem);
    int32_t asInt = 0;
    EXPECT_EQ(GetAttrInt(&asInt, L"f", &elem), 1);
    EXPECT_EQ(asInt, 2);
    float asFloat = 0;
    EXPECT_EQ(GetAttrFloat(&asFloat, L"i", &elem), 1);
    EXPECT_EQ(asFloat, -5.0f);
    wchar_t buffer[8];
    EXPECT_EQ(GetAttrString(buffer, L"i", &elem), 1);
    EXPECT_STREQ(buffer, L"-5");
}

// A value that does not fit the caller's buffer is refused, not cut.
TEST(ElemAttrs, StringThatDoesNotFitIsRefused) {
    CElem elem(L"e", L"", nullptr);
    StringAttr(&elem, L"s", L"abcd");
    StringAttr(&elem, L"empty", L"");
    wchar_t small[4] = L"old";
    EXPECT_EQ(GetAttrString(small, L"s", &elem), 0);
    EXPECT_STREQ(small, L"old");
    wchar_t exact[5] = L"";
    EXPECT_EQ(GetAttrString(exact, L"s", &elem), 1);
    EXPECT_STREQ(exact, L"abcd");
    EXPECT_EQ(GetAttrString(small, 0, L"empty", &elem), 0);
    EXPECT_EQ(GetAttrString(small, L"empty", &elem), 1);
    EXPECT_STREQ(small, L"");
}
