// The element tree that material condition documents are built in and read into: named elements
// with a text, typed attributes, CDATA sections and child elements, plus the attribute operations
// that store and read integers, booleans, floats and strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

// Shared, immutable wide string: copies share one buffer whose count changes atomically. An absent
// string and an empty one both read as "".
class CElemString {
public:
    CElemString() = default;
    CElemString(const wchar_t* text);
    CElemString(std::wstring text);
    CElemString(std::wstring_view text);

    const wchar_t* c_str() const { return m_str ? m_str->c_str() : L""; }
    size_t size() const { return m_str ? m_str->size() : 0; }
    std::wstring_view view() const { return m_str ? std::wstring_view(*m_str) : std::wstring_view(); }
    bool empty() const { return size() == 0; }

private:
    std::shared_ptr<const std::wstring> m_str;
};

// An attribute value: empty, 32-bit integer, single precision, boolean or an owned wide string.
class CElemVariant {
public:
    enum class Kind { Empty, Int32, Float, Bool, String };

    CElemVariant() = default;
    static CElemVariant FromInt(int32_t value);
    static CElemVariant FromFloat(float value);
    static CElemVariant FromBool(bool value);
    static CElemVariant FromString(std::wstring text);

    Kind kind() const { return static_cast<Kind>(m_value.index()); }
    void Clear() { m_value = std::monostate(); }

    // Each returns false and writes nothing when the value does not convert.
    bool ToInt32(int32_t* out) const;
    bool ToFloat(float* out) const;
    bool ToBool(bool* out) const;
    // The attribute text the XML writers use.
    bool ToText(std::wstring* out) const;

private:
    // Alternatives in the order of Kind, so that the index is the kind.
    std::variant<std::monostate, int32_t, float, bool, std::wstring> m_value;
};

class CElemAttr;
class CElemCData;

class CElem {
public:
    CElem(CElemString name, CElemString text, CElem* parent);
    virtual ~CElem();
    CElem(const CElem&) = delete;
    CElem& operator=(const CElem&) = delete;

    // Each appends and returns its argument; null is ignored and returned.
    CElem* AddChild(CElem* child);
    CElemAttr* AddAttr(CElemAttr* attr);
    CElemCData* AddCData(CElemCData* cdata);
    // Unlinks this element from its parent's child list: 1, or 0 for a root.
    int Detach();

    const CElemString& GetName() const { return m_name; }
    const CElemString& GetText() const { return m_text; }
    void SetText(CElemString text) { m_text = std::move(text); }
    CElem* GetParent() const { return m_parent; }
    // Copy of the first attribute value with exactly this name; empty when none or name is empty.
    CElemVariant FindAttr(const wchar_t* name) const;

    const std::list<CElem*>& GetChildren() const { return m_children; }
    const std::list<CElemAttr*>& GetAttrs() const { return m_attrs; }
    const std::list<CElemCData*>& GetCData() const { return m_cdata; }

private:
    std::list<CElem*> m_children;
    std::list<CElemAttr*> m_attrs;
    std::list<CElemCData*> m_cdata;
    CElem* m_parent;
    CElemString m_name;
    CElemString m_text;
};

class CElemAttr {
public:
    CElemAttr(CElemString name, const CElemVariant& value, CElem* owner)
        : m_owner(owner), m_name(std::move(name)), m_value(value) {}

    const CElemString& GetName() const { return m_name; }
    const CElemVariant& GetValue() const { return m_value; }
    CElem* GetOwner() const { return m_owner; }

private:
    CElem* m_owner;
    CElemString m_name;
    CElemVariant m_value;
};

class CElemCData {
public:
    CElemCData(CElemString text, CElem* owner) : m_owner(owner), m_text(std::move(text)) {}

    const CElemString& GetText() const { return m_text; }
    CElem* GetOwner() const { return m_owner; }

private:
    CElem* m_owner;
    CElemString m_text;
};

// Set operations append a new attribute (never replace one) and return 1.
int SetAttrValue(CElemVariant* value, const wchar_t* name, CElem* elem);
int SetAttrInt(const int32_t* value, const wchar_t* name, CElem* elem);
int SetAttrBool(const int32_t* flag, const wchar_t* name, CElem* elem);
int SetAttrFloat(const float* value, const wchar_t* name, CElem* elem);
int SetAttrString(const wchar_t* text, const wchar_t* name, CElem* elem);

// Get operations return 1 and store the value, or 0 with the target untouched when the attribute
// is absent or its value does not convert to the asked type.
int GetAttrValue(CElemVariant* target, const wchar_t* name, const CElem* elem);
int GetAttrInt(int32_t* target, const wchar_t* name, const CElem* elem);
int GetAttrBool(int32_t* target, const wchar_t* name, const CElem* elem);
int GetAttrFloat(float* target, const wchar_t* name, const CElem* elem);
// A value that does not fit with its terminator into `capacity` characters is refused (0).
int GetAttrString(wchar_t* buffer, size_t capacity, const wchar_t* name, const CElem* elem);

template <size_t N> int GetAttrString(wchar_t (&buffer)[N], const wchar_t* name, const CElem* elem) {
    return GetAttrString(buffer, N, name, elem);
}
