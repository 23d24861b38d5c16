// The document model over MSXML 3's DOMDocument through COM. Every interface pointer lives in a
// CComRef and every string and variant in its own holder, so each path out of an operation releases
// what it obtained; COM is initialised for the life of one document object.
#include <windows.h>

#include <ole2.h>
#include <oleauto.h>

#include <msxml2.h>

#include <string>

#include "xml/xmldom.h"

namespace {

constexpr CLSID kClsidDomDocument = {
    0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
constexpr IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidXmlDomDocument = {
    0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kIidXmlDomNode = {0x2933BF80, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kIidXmlDomElement = {
    0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kIidXmlDomAttribute = {
    0x2933BF85, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kIidXmlDomText = {0x2933BF87, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kIidXmlDomDocument2 = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// In-process server, in-process handler, local server and remote server.
constexpr DWORD kClassContext = 23;

template <typename T> class CComRef {
public:
    CComRef() = default;
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    CComRef(CComRef&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
    ~CComRef() { Reset(); }

    T* Get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    void Reset() {
        if (m_ptr)
            m_ptr->Release();
        m_ptr = nullptr;
    }
    // For out parameters: releases what is held and hands out the slot.
    T** Put() {
        Reset();
        return &m_ptr;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    template <typename U> bool QueryInto(const IID& iid, CComRef<U>& out) const {
        return m_ptr && SUCCEEDED(m_ptr->QueryInterface(iid, out.PutVoid())) && out;
    }

private:
    T* m_ptr = nullptr;
};

class CBstr {
public:
    explicit CBstr(std::wstring_view text)
        : m_str(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    CBstr() = default;
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    ~CBstr() { SysFreeString(m_str); }

    BSTR Get() const { return m_str; }
    explicit operator bool() const { return m_str != nullptr; }
    BSTR* Put() {
        SysFreeString(m_str);
        m_str = nullptr;
        return &m_str;
    }
    std::wstring Str() const { return std::wstring(m_str ? m_str : L"", SysStringLen(m_str)); }

private:
    BSTR m_str = nullptr;
};

class CVariant {
public:
    CVariant() { VariantInit(&m_var); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    ~CVariant() { VariantClear(&m_var); }

    // A wide-string variant holding a copy of `text`; false when it cannot be allocated.
    bool SetString(std::wstring_view text) {
        VariantClear(&m_var);
        BSTR str = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!str)
            return false;
        V_VT(&m_var) = VT_BSTR;
        V_BSTR(&m_var) = str;
        return true;
    }
    void SetBool(bool value) {
        VariantClear(&m_var);
        V_VT(&m_var) = VT_BOOL;
        V_BOOL(&m_var) = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    VARIANT& Get() { return m_var; }

private:
    VARIANT m_var;
};

class CComInit {
public:
    CComInit() : m_hr(CoInitialize(nullptr)) {}
    CComInit(const CComInit&) = delete;
    CComInit& operator=(const CComInit&) = delete;
    // Only an initialisation of our own is undone; S_FALSE means the thread had one already.
    ~CComInit() {
        if (m_hr == S_OK)
            CoUninitialize();
    }
    bool Usable() const { return m_hr == S_OK || m_hr == S_FALSE; }

private:
    HRESULT m_hr;
};

class CMsxmlList : public IXmlNodeList {
public:
    explicit CMsxmlList(CComRef<IXMLDOMNodeList> list) : m_list(std::move(list)) {}
    explicit CMsxmlList(CComRef<IXMLDOMNamedNodeMap> map) : m_map(std::move(map)) {}
    XmlStep Next(std::unique_ptr<IXmlNode>* node) override;

private:
    CComRef<IXMLDOMNodeList> m_list;
    CComRef<IXMLDOMNamedNodeMap> m_map;
};

class CMsxmlNode : public IXmlNode {
public:
    explicit CMsxmlNode(CComRef<IXMLDOMNode> node) : m_node(std::move(node)) {}

    IXMLDOMNode* Node() const { return m_node.Get(); }

    bool GetType(XmlNodeType* type) override {
        DOMNodeType domType = NODE_INVALID;
        if (FAILED(m_node->get_nodeType(&domType)))
            return false;
        switch (domType) {
        case NODE_ELEMENT:
            *type = XmlNodeType::Element;
            break;
        case NODE_ATTRIBUTE:
            *type = XmlNodeType::Attribute;
            break;
        case NODE_TEXT:
            *type = XmlNodeType::Text;
            break;
        case NODE_CDATA_SECTION:
            *type = XmlNodeType::CData;
            break;
        default:
            *type = XmlNodeType::Other;
            break;
        }
        return true;
    }
    bool GetBaseName(std::wstring* name) override {
        CBstr str;
        if (FAILED(m_node->get_baseName(str.Put())))
            return false;
        *name = str.Str();
        return true;
    }
    bool GetAttrName(std::wstring* name) override {
        CComRef<IXMLDOMAttribute> attr;
        CBstr str;
        if (!m_node.QueryInto(kIidXmlDomAttribute, attr) || FAILED(attr->get_name(str.Put())))
            return false;
        *name = str.Str();
        return true;
    }
    bool GetAttrValue(std::wstring* value) override {
        CComRef<IXMLDOMAttribute> attr;
        CVariant var;
        if (!m_node.QueryInto(kIidXmlDomAttribute, attr) || FAILED(attr->get_value(&var.Get())))
            return false;
        if (V_VT(&var.Get()) != VT_BSTR && FAILED(VariantChangeType(&var.Get(), &var.Get(), 0, VT_BSTR)))
            return false;
        BSTR str = V_BSTR(&var.Get());
        *value = std::wstring(str ? str : L"", SysStringLen(str));
        return true;
    }
    bool GetData(std::wstring* data) override {
        CComRef<IXMLDOMText> text;
        CBstr str;
        if (!m_node.QueryInto(kIidXmlDomText, text) || FAILED(text->get_data(str.Put())))
            return false;
        *data = str.Str();
        return true;
    }
    bool GetText(std::wstring* text) override {
        CBstr str;
        if (FAILED(m_node->get_text(str.Put())))
            return false;
        *text = str.Str();
        return true;
    }
    std::unique_ptr<IXmlNodeList> ChildNodes() override {
        CComRef<IXMLDOMNodeList> list;
        if (FAILED(m_node->get_childNodes(list.Put())) || !list)
            return nullptr;
        return std::make_unique<CMsxmlList>(std::move(list));
    }
    std::unique_ptr<IXmlNodeList> Attributes() override {
        CComRef<IXMLDOMNamedNodeMap> map;
        if (FAILED(m_node->get_attributes(map.Put())) || !map)
            return nullptr;
        return std::make_unique<CMsxmlList>(std::move(map));
    }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override {
        CComRef<IXMLDOMElement> elem;
        CBstr bname(name);
        CVariant var;
        return m_node.QueryInto(kIidXmlDomElement, elem) && bname && var.SetString(value) &&
               SUCCEEDED(elem->setAttribute(bname.Get(), var.Get()));
    }

private:
    CComRef<IXMLDOMNode> m_node;
};

XmlStep CMsxmlList::Next(std::unique_ptr<IXmlNode>* node) {
    CComRef<IXMLDOMNode> next;
    HRESULT hr = m_list ? m_list->nextNode(next.Put()) : m_map->nextNode(next.Put());
    if (FAILED(hr))
        return XmlStep::Failed;
    if (!next)
        return XmlStep::End;
    *node = std::make_unique<CMsxmlNode>(std::move(next));
    return XmlStep::Node;
}

// Takes a new node of any of the IXMLDOMNode-derived kinds as a plain node.
template <typename T> std::unique_ptr<IXmlNode> AsNode(CComRef<T>& created, HRESULT hr) {
    CComRef<IXMLDOMNode> node;
    if (FAILED(hr) || !created.QueryInto(kIidXmlDomNode, node))
        return nullptr;
    return std::make_unique<CMsxmlNode>(std::move(node));
}

class CMsxmlDocument : public IXmlDocument {
public:
    bool Create() {
        if (!m_com.Usable())
            return false;
        CComRef<IUnknown> unknown;
        if (FAILED(CoCreateInstance(kClsidDomDocument, nullptr, kClassContext, kIidUnknown,
                                    unknown.PutVoid())) ||
            !unknown || FAILED(OleRun(unknown.Get())) || !unknown.QueryInto(kIidXmlDomDocument, m_doc))
            return false;
        // A document is user data: it must not pull in external entities or DTDs. msxml3 may not
        // know ProhibitDTD; then resolveExternals alone has to do.
        if (FAILED(m_doc->put_resolveExternals(VARIANT_FALSE)))
            return false;
        CComRef<IXMLDOMDocument2> doc2;
        CVariant prohibit;
        prohibit.SetBool(true);
        if (m_doc.QueryInto(kIidXmlDomDocument2, doc2)) {
            if (CBstr name(L"ProhibitDTD"); name)
                doc2->setProperty(name.Get(), prohibit.Get());
        }
        return true;
    }

    std::unique_ptr<IXmlNode> CreateProcessingInstruction(std::wstring_view target,
                                                          std::wstring_view data) override {
        CBstr btarget(target);
        CBstr bdata(data);
        if (!btarget || !bdata)
            return nullptr;
        CComRef<IXMLDOMProcessingInstruction> pi;
        return AsNode(pi, m_doc->createProcessingInstruction(btarget.Get(), bdata.Get(), pi.Put()));
    }
    std::unique_ptr<IXmlNode> CreateElement(std::wstring_view name) override {
        return CreateFromText(name, &IXMLDOMDocument::createElement);
    }
    std::unique_ptr<IXmlNode> CreateTextNode(std::wstring_view text) override {
        return CreateFromText(text, &IXMLDOMDocument::createTextNode);
    }
    std::unique_ptr<IXmlNode> CreateCDataSection(std::wstring_view text) override {
        return CreateFromText(text, &IXMLDOMDocument::createCDATASection);
    }
    bool AppendChild(IXmlNode* parent, IXmlNode& child) override {
        IXMLDOMNode* target = parent ? static_cast<CMsxmlNode*>(parent)->Node() : m_doc.Get();
        CComRef<IXMLDOMNode> appended;
        return SUCCEEDED(target->appendChild(static_cast<CMsxmlNode&>(child).Node(), appended.Put()));
    }
    bool SetAsync(bool async) override {
        return SUCCEEDED(m_doc->put_async(async ? VARIANT_TRUE : VARIANT_FALSE));
    }
    bool SetPreserveWhiteSpace(bool preserve) override {
        return SUCCEEDED(m_doc->put_preserveWhiteSpace(preserve ? VARIANT_TRUE : VARIANT_FALSE));
    }
    bool Save(const std::wstring& path) override {
        CVariant var;
        return var.SetString(path) && SUCCEEDED(m_doc->save(var.Get()));
    }
    bool Load(const std::wstring& path, std::wstring& why) override {
        CVariant var;
        VARIANT_BOOL loaded = VARIANT_FALSE;
        if (var.SetString(path) && SUCCEEDED(m_doc->load(var.Get(), &loaded)) && loaded == VARIANT_TRUE)
            return true;
        why = ParseFailure();
        return false;
    }
    std::unique_ptr<IXmlNode> GetDocumentElement() override {
        CComRef<IXMLDOMElement> root;
        if (m_doc->get_documentElement(root.Put()) != S_OK)
            return nullptr;
        return AsNode(root, S_OK);
    }

private:
    // The parser's reason for the last failed load, with its line when it has one; MSXML words a
    // missing file and a prohibited DTD as parse errors too.
    std::wstring ParseFailure() {
        CComRef<IXMLDOMParseError> error;
        CBstr reason;
        long line = 0;
        if (FAILED(m_doc->get_parseError(error.Put())) || !error || FAILED(error->get_reason(reason.Put())))
            return L"not well-formed XML";
        std::wstring text = reason.Str();
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
            text.pop_back();
        if (text.empty())
            text = L"not well-formed XML";
        if (SUCCEEDED(error->get_line(&line)) && line > 0)
            return L"line " + std::to_wstring(line) + L": " + text;
        return text;
    }

    // A new node from one string through one of the document's create methods.
    template <typename T>
    std::unique_ptr<IXmlNode>
    CreateFromText(std::wstring_view text, HRESULT (STDMETHODCALLTYPE IXMLDOMDocument::*create)(BSTR, T**)) {
        CBstr btext(text);
        if (!btext)
            return nullptr;
        CComRef<T> node;
        return AsNode(node, (m_doc.Get()->*create)(btext.Get(), node.Put()));
    }

    // Declared first so that it is undone last, after the document is released.
    CComInit m_com;
    CComRef<IXMLDOMDocument> m_doc;
};

} // namespace

std::unique_ptr<IXmlDocument> CreateXmlDocument() {
    auto doc = std::make_unique<CMsxmlDocument>();
    if (!doc->Create())
        return nullptr;
    return doc;
}
