#include "xml/elem.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

CElemString::CElemString(const wchar_t* text) {
    if (text)
        m_str = std::make_shared<const std::wstring>(text);
}

CElemString::CElemString(std::wstring text) : m_str(std::make_shared<const std::wstring>(std::move(text))) {}

CElemString::CElemString(std::wstring_view text) : m_str(std::make_shared<const std::wstring>(text)) {}

// Conversions from attribute text. They are our own so that both platforms agree, and follow the
// automation library's variant conversion where documents depend on it: blanks around the number,
// an optional sign, a decimal number with fraction and exponent, rounding half to even when an
// integer is asked for, out of range as a failure, and "true"/"false" in any letter case for
// booleans. Thousands separators, currency signs and hexadecimal forms are not taken.
namespace {

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t' || ch == L'\n' || ch == L'\r' || ch == L'\v' || ch == L'\f';
}

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The trimmed text as ASCII with a leading '+' dropped, ready for from_chars; nullopt when any
// character is outside ASCII or a sign stands alone or doubled.
std::optional<std::string> NumberText(std::wstring_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == L'+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == L'-')
            return std::nullopt;
    }
    std::string narrow;
    narrow.reserve(text.size());
    for (wchar_t ch : text) {
        if (ch <= 0 || ch > 0x7e)
            return std::nullopt;
        narrow.push_back(static_cast<char>(ch));
    }
    return narrow;
}

// A decimal number, digits with optional fraction and exponent, as T. "inf", "infinity" and "nan"
// (in any case, with a sign or without) are not numbers here, as for the platform's own conversion:
// a hand-edited temperature of "inf" must not load.
template <typename T> std::optional<T> ParseDecimal(std::wstring_view text) {
    std::optional<std::string> narrow = NumberText(text);
    if (!narrow || narrow->empty())
        return std::nullopt;
    const char* first = narrow->data();
    const char* last = first + narrow->size();
    const char* digits = *first == '-' ? first + 1 : first;
    if (digits == last || !(std::isdigit(static_cast<unsigned char>(*digits)) || *digits == '.'))
        return std::nullopt;
    T value = 0;
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || end != last)
        return std::nullopt;
    return value;
}

std::optional<int32_t> RoundToInt32(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    // nearbyint in the default rounding mode rounds half to even.
    double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    return static_cast<int32_t>(rounded);
}

// Parsed as float directly so that the shortest text the writer gives reads back to the same bits.
std::optional<float> ParseFloat(std::wstring_view text) {
    return ParseDecimal<float>(text);
}

bool EqualsNoCase(std::wstring_view text, std::wstring_view word) {
    return std::equal(text.begin(), text.end(), word.begin(), word.end(), [](wchar_t a, wchar_t b) {
        if (a >= L'A' && a <= L'Z')
            a = static_cast<wchar_t>(a - L'A' + L'a');
        return a == b;
    });
}

std::optional<bool> ParseBool(std::wstring_view text) {
    std::wstring_view word = Trim(text);
    if (EqualsNoCase(word, L"true"))
        return true;
    if (EqualsNoCase(word, L"false"))
        return false;
    if (std::optional<double> number = ParseDecimal<double>(text))
        return *number != 0;
    return std::nullopt;
}

// Writes a converted value; the target stays untouched when there is none.
template <typename T> bool Store(const std::optional<T>& result, T* out) {
    if (!result)
        return false;
    *out = *result;
    return true;
}

template <typename T> std::wstring ToChars(T value) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec; // 64 characters hold every int32 and the shortest form of every float
    return std::wstring(buffer, end);
}

} // namespace

CElemVariant CElemVariant::FromInt(int32_t value) {
    CElemVariant v;
    v.m_value = value;
    return v;
}

CElemVariant CElemVariant::FromFloat(float value) {
    CElemVariant v;
    v.m_value = value;
    return v;
}

CElemVariant CElemVariant::FromBool(bool value) {
    CElemVariant v;
    v.m_value = value;
    return v;
}

CElemVariant CElemVariant::FromString(std::wstring text) {
    CElemVariant v;
    v.m_value = std::move(text);
    return v;
}

// An empty value converts to no number or boolean: it only ever stands for a missing attribute.
// A true boolean converts to the number 1 (not the automation library's -1), matching GetAttrBool.
bool CElemVariant::ToInt32(int32_t* out) const {
    std::optional<int32_t> result;
    switch (kind()) {
    case Kind::Empty:
        break;
    case Kind::Int32:
        result = std::get<int32_t>(m_value);
        break;
    case Kind::Float:
        result = RoundToInt32(std::get<float>(m_value));
        break;
    case Kind::Bool:
        result = std::get<bool>(m_value) ? 1 : 0;
        break;
    case Kind::String:
        if (std::optional<double> number = ParseDecimal<double>(std::get<std::wstring>(m_value)))
            result = RoundToInt32(*number);
        break;
    }
    return Store(result, out);
}

bool CElemVariant::ToFloat(float* out) const {
    std::optional<float> result;
    switch (kind()) {
    case Kind::Empty:
        break;
    case Kind::Int32:
        result = static_cast<float>(std::get<int32_t>(m_value));
        break;
    case Kind::Float:
        result = std::get<float>(m_value);
        break;
    case Kind::Bool:
        result = std::get<bool>(m_value) ? 1.0f : 0.0f;
        break;
    case Kind::String:
        result = ParseFloat(std::get<std::wstring>(m_value));
        break;
    }
    return Store(result, out);
}

bool CElemVariant::ToBool(bool* out) const {
    std::optional<bool> result;
    switch (kind()) {
    case Kind::Empty:
        break;
    case Kind::Int32:
        result = std::get<int32_t>(m_value) != 0;
        break;
    case Kind::Float:
        result = std::get<float>(m_value) != 0;
        break;
    case Kind::Bool:
        result = std::get<bool>(m_value);
        break;
    case Kind::String:
        result = ParseBool(std::get<std::wstring>(m_value));
        break;
    }
    return Store(result, out);
}

// Integers in decimal, floats as the shortest text that reads back to the same float, booleans as
// "true"/"false" (what SetAttrBool stores), and an empty value as empty text.
bool CElemVariant::ToText(std::wstring* out) const {
    switch (kind()) {
    case Kind::Empty:
        out->clear();
        break;
    case Kind::Int32:
        *out = ToChars(std::get<int32_t>(m_value));
        break;
    case Kind::Float:
        *out = ToChars(std::get<float>(m_value));
        break;
    case Kind::Bool:
        *out = std::get<bool>(m_value) ? L"true" : L"false";
        break;
    case Kind::String:
        *out = std::get<std::wstring>(m_value);
        break;
    }
    return true;
}

CElem::CElem(CElemString name, CElemString text, CElem* parent)
    : m_parent(parent), m_name(std::move(name)), m_text(std::move(text)) {}

CElem::~CElem() {
    for (CElemCData* cdata : m_cdata)
        delete cdata;
    for (CElemAttr* attr : m_attrs)
        delete attr;
    for (CElem* child : m_children)
        delete child;
}

CElem* CElem::AddChild(CElem* child) {
    if (child)
        m_children.push_back(child);
    return child;
}

CElemAttr* CElem::AddAttr(CElemAttr* attr) {
    if (attr)
        m_attrs.push_back(attr);
    return attr;
}

CElemCData* CElem::AddCData(CElemCData* cdata) {
    if (cdata)
        m_cdata.push_back(cdata);
    return cdata;
}

int CElem::Detach() {
    if (!m_parent)
        return 0;
    m_parent->m_children.remove(this);
    return 1;
}

CElemVariant CElem::FindAttr(const wchar_t* name) const {
    std::wstring_view wanted = name ? std::wstring_view(name) : std::wstring_view();
    if (wanted.empty())
        return CElemVariant();
    for (const CElemAttr* attr : m_attrs) {
        if (attr->GetName().view() == wanted)
            return attr->GetValue();
    }
    return CElemVariant();
}

int SetAttrValue(CElemVariant* value, const wchar_t* name, CElem* elem) {
    elem->AddAttr(new CElemAttr(name, *value, elem));
    value->Clear();
    return 1;
}

int SetAttrInt(const int32_t* value, const wchar_t* name, CElem* elem) {
    elem->AddAttr(new CElemAttr(name, CElemVariant::FromInt(*value), elem));
    return 1;
}

int SetAttrBool(const int32_t* flag, const wchar_t* name, CElem* elem) {
    elem->AddAttr(new CElemAttr(name, CElemVariant::FromString(*flag ? L"true" : L"false"), elem));
    return 1;
}

int SetAttrFloat(const float* value, const wchar_t* name, CElem* elem) {
    elem->AddAttr(new CElemAttr(name, CElemVariant::FromFloat(*value), elem));
    return 1;
}

int SetAttrString(const wchar_t* text, const wchar_t* name, CElem* elem) {
    elem->AddAttr(new CElemAttr(name, CElemVariant::FromString(text ? text : L""), elem));
    return 1;
}

int GetAttrValue(CElemVariant* target, const wchar_t* name, const CElem* elem) {
    CElemVariant value = elem->FindAttr(name);
    if (value.kind() == CElemVariant::Kind::Empty)
        return 0;
    *target = std::move(value);
    return 1;
}

// A value that is present but does not convert (letters where a number is asked for) counts as an
// absent attribute: 0 and the target untouched, so the caller's default stands and a hand-edited
// document cannot fail a whole load over one field.
int GetAttrInt(int32_t* target, const wchar_t* name, const CElem* elem) {
    return elem->FindAttr(name).ToInt32(target) ? 1 : 0;
}

int GetAttrBool(int32_t* target, const wchar_t* name, const CElem* elem) {
    bool flag = false;
    if (!elem->FindAttr(name).ToBool(&flag))
        return 0;
    *target = flag ? 1 : 0;
    return 1;
}

int GetAttrFloat(float* target, const wchar_t* name, const CElem* elem) {
    return elem->FindAttr(name).ToFloat(target) ? 1 : 0;
}

// A value longer than the buffer is refused rather than cut: a cut path names another file, while a
// refused one leaves the caller's default in place, as an absent attribute does.
int GetAttrString(wchar_t* buffer, size_t capacity, const wchar_t* name, const CElem* elem) {
    CElemVariant value = elem->FindAttr(name);
    std::wstring text;
    if (value.kind() == CElemVariant::Kind::Empty || !value.ToText(&text) || text.size() >= capacity)
        return 0;
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = L'\0';
    return 1;
}
