// The document model over libxml2's tree, handing out the node sequence that MSXML gives for the
// same file, so that the reader and writer behave alike on every platform.
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <string>
#include <vector>

#include "framework/osfile.h"
#include "framework/utf.h"
#include "xml/xmldom.h"

namespace {

const xmlChar* X(const std::string& utf8) {
    return reinterpret_cast<const xmlChar*>(utf8.c_str());
}

std::wstring Wide(const xmlChar* utf8) {
    return utf8 ? Utf8ToWide(reinterpret_cast<const char*>(utf8)) : std::wstring();
}

// Text that libxml2 hands out and the caller frees.
struct XmlText {
    xmlChar* text;
    ~XmlText() { xmlFree(text); }
};

bool IsXmlBlank(xmlChar ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
}

bool IsBlankText(const xmlNode* node) {
    for (const xmlChar* p = node->content; p && *p; ++p) {
        if (!IsXmlBlank(*p))
            return false;
    }
    return true;
}

// A name whose prefix names no declared namespace keeps it in libxml2's tree ("p:name"); Wine's
// msxml3 hands out the local part for such names, as for declared ones.
const xmlChar* LocalName(const xmlChar* name) {
    const xmlChar* local = name;
    for (const xmlChar* p = name; p && *p; ++p) {
        if (*p == ':')
            local = p + 1;
    }
    return local;
}

// An attribute as MSXML's attribute map hands it out: a namespace declaration ("xmlns",
// "xmlns:p") or an ordinary attribute with its prefix.
class CAttrNode : public IXmlNode {
public:
    CAttrNode(std::wstring name, std::wstring value) : m_name(std::move(name)), m_value(std::move(value)) {}

    bool GetType(XmlNodeType* type) override {
        *type = XmlNodeType::Attribute;
        return true;
    }
    bool GetBaseName(std::wstring*) override { return false; }
    bool GetAttrName(std::wstring* name) override {
        *name = m_name;
        return true;
    }
    bool GetAttrValue(std::wstring* value) override {
        *value = m_value;
        return true;
    }
    bool GetData(std::wstring*) override { return false; }
    bool GetText(std::wstring*) override { return false; }
    std::unique_ptr<IXmlNodeList> ChildNodes() override { return nullptr; }
    std::unique_ptr<IXmlNodeList> Attributes() override { return nullptr; }
    bool SetAttribute(std::wstring_view, std::wstring_view) override { return false; }

private:
    std::wstring m_name;
    std::wstring m_value;
};

class CNodeList : public IXmlNodeList {
public:
    explicit CNodeList(std::vector<std::unique_ptr<IXmlNode>> nodes) : m_nodes(std::move(nodes)) {}

    XmlStep Next(std::unique_ptr<IXmlNode>* node) override {
        if (m_next == m_nodes.size())
            return XmlStep::End;
        *node = std::move(m_nodes[m_next++]);
        return XmlStep::Node;
    }

private:
    std::vector<std::unique_ptr<IXmlNode>> m_nodes;
    size_t m_next = 0;
};

class CTreeNode : public IXmlNode {
public:
    // An owned node is one created but not yet placed in the document; it is freed with its handle.
    CTreeNode(xmlNodePtr node, bool owned) : m_node(node), m_owned(owned) {}
    ~CTreeNode() override {
        if (m_owned && m_node)
            xmlFreeNode(m_node);
    }

    xmlNodePtr Node() const { return m_node; }
    // Once appended the node belongs to the document; a text node may even have been merged into
    // its neighbour and freed, so the handle is not used for it again.
    void Placed() { m_owned = false; }
    bool IsDeclaration() const { return !m_node; }

    bool GetType(XmlNodeType* type) override {
        switch (m_node->type) {
        case XML_ELEMENT_NODE:
            *type = XmlNodeType::Element;
            break;
        case XML_TEXT_NODE:
            *type = XmlNodeType::Text;
            break;
        case XML_CDATA_SECTION_NODE:
            *type = XmlNodeType::CData;
            break;
        default:
            *type = XmlNodeType::Other;
            break;
        }
        return true;
    }
    bool GetBaseName(std::wstring* name) override {
        *name = Wide(LocalName(m_node->name));
        return true;
    }
    bool GetAttrName(std::wstring*) override { return false; }
    bool GetAttrValue(std::wstring*) override { return false; }
    bool GetData(std::wstring* data) override {
        *data = Wide(m_node->content);
        return true;
    }
    bool GetText(std::wstring* text) override { return GetData(text); }

    // Whitespace-only text between elements is left out, as MSXML does when it does not preserve
    // whitespace. Wine's msxml3 then also joins CDATA sections that only such text separated; that
    // is not followed: each section stays a node of its own, as in Windows' MSXML.
    std::unique_ptr<IXmlNodeList> ChildNodes() override {
        std::vector<std::unique_ptr<IXmlNode>> nodes;
        for (xmlNodePtr child = m_node->children; child; child = child->next) {
            if (child->type == XML_TEXT_NODE && IsBlankText(child))
                continue;
            nodes.push_back(std::make_unique<CTreeNode>(child, false));
        }
        return std::make_unique<CNodeList>(std::move(nodes));
    }

    // Ordinary attributes in document order, names with their prefixes. Namespace declarations
    // ("xmlns", "xmlns:p") are not among them: Wine's msxml3 leaves them out of the attribute map
    // it walks, and this follows it (Windows' own MSXML lists them as attributes).
    std::unique_ptr<IXmlNodeList> Attributes() override {
        std::vector<std::unique_ptr<IXmlNode>> nodes;
        if (m_node->type != XML_ELEMENT_NODE)
            return nullptr;
        for (xmlAttrPtr attr = m_node->properties; attr; attr = attr->next) {
            std::wstring name;
            if (attr->ns && attr->ns->prefix)
                name = Wide(attr->ns->prefix) + L":";
            name += Wide(LocalName(attr->name));
            XmlText value{xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr))};
            nodes.push_back(std::make_unique<CAttrNode>(std::move(name), Wide(value.text)));
        }
        return std::make_unique<CNodeList>(std::move(nodes));
    }

    bool SetAttribute(std::wstring_view name, std::wstring_view value) override {
        std::string utf8 = WideToUtf8(name);
        if (m_node->type != XML_ELEMENT_NODE || xmlValidateQName(X(utf8), 0) != 0)
            return false;
        return xmlNewProp(m_node, X(utf8), X(WideToUtf8(value))) != nullptr;
    }

private:
    xmlNodePtr m_node;
    bool m_owned;
};

// A document type declaration stops the parse: no document of ours has one, and refusing it keeps
// entity expansion (and with it "billion laughs" and external entities naming local files) out.
void RefuseDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
    xmlParserCtxtPtr ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    *static_cast<bool*>(ctxt->_private) = true;
    xmlStopParser(ctxt);
}

// Whether a file loads is the reader's answer; libxml2 would also print some errors (those of
// encoding conversion) to standard error. Its handler for this thread is silenced while a file is
// parsed and put back afterwards.
class CQuietErrors {
public:
    CQuietErrors() : m_handler(xmlStructuredError), m_context(xmlStructuredErrorContext) {
        xmlSetStructuredErrorFunc(nullptr, [](void*, auto) {});
    }
    ~CQuietErrors() { xmlSetStructuredErrorFunc(m_context, m_handler); }
    CQuietErrors(const CQuietErrors&) = delete;
    CQuietErrors& operator=(const CQuietErrors&) = delete;

private:
    xmlStructuredErrorFunc m_handler;
    void* m_context;
};

class CDocument : public IXmlDocument {
public:
    CDocument() : m_doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"))) {}
    ~CDocument() override {
        if (m_doc)
            xmlFreeDoc(m_doc);
    }
    bool IsValid() const { return m_doc != nullptr; }

    // The "xml" target stands for the declaration, which libxml2's serializer writes itself.
    std::unique_ptr<IXmlNode> CreateProcessingInstruction(std::wstring_view target,
                                                          std::wstring_view data) override {
        if (target == L"xml")
            return std::make_unique<CTreeNode>(nullptr, false);
        return Owned(xmlNewDocPI(m_doc, X(WideToUtf8(target)), X(WideToUtf8(data))));
    }
    std::unique_ptr<IXmlNode> CreateElement(std::wstring_view name) override {
        std::string utf8 = WideToUtf8(name);
        if (xmlValidateQName(X(utf8), 0) != 0)
            return nullptr;
        return Owned(xmlNewDocNode(m_doc, nullptr, X(utf8), nullptr));
    }
    std::unique_ptr<IXmlNode> CreateTextNode(std::wstring_view text) override {
        return Owned(xmlNewDocText(m_doc, X(WideToUtf8(text))));
    }
    std::unique_ptr<IXmlNode> CreateCDataSection(std::wstring_view text) override {
        std::string utf8 = WideToUtf8(text);
        return Owned(xmlNewCDataBlock(m_doc, X(utf8), static_cast<int>(utf8.size())));
    }
    bool AppendChild(IXmlNode* parent, IXmlNode& child) override {
        CTreeNode& node = static_cast<CTreeNode&>(child);
        if (node.IsDeclaration()) {
            if (parent)
                return false;
            m_declared = true;
            return true;
        }
        xmlNodePtr target =
            parent ? static_cast<CTreeNode*>(parent)->Node() : reinterpret_cast<xmlNodePtr>(m_doc);
        if (!xmlAddChild(target, node.Node()))
            return false;
        node.Placed();
        return true;
    }
    bool SetAsync(bool) override { return true; }
    bool SetPreserveWhiteSpace(bool) override { return true; }

    // No formatting option: every line end and tab in the file is one of the tree's text nodes.
    bool Save(const std::wstring& path) override {
        if (path.empty())
            return false;
        xmlBufferPtr buffer = xmlBufferCreate();
        if (!buffer)
            return false;
        bool ok = false;
        if (xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, "UTF-8", m_declared ? 0 : XML_SAVE_NO_DECL)) {
            ok = xmlSaveDoc(save, m_doc) >= 0;
            ok = xmlSaveClose(save) >= 0 && ok;
        }
        if (ok) {
            os::File file;
            int error = 0;
            ok = file.OpenWrite(path.c_str(), error) &&
                 file.Write(xmlBufferContent(buffer), static_cast<size_t>(xmlBufferLength(buffer)), error) &&
                 file.Close(error);
        }
        xmlBufferFree(buffer);
        return ok;
    }

    bool Load(const std::wstring& path, std::wstring& why) override {
        std::string bytes;
        if (!ReadWhole(path, bytes, why))
            return false;
        CQuietErrors quiet;
        xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
        if (!ctxt) {
            why = L"out of memory";
            return false;
        }
        bool refused = false;
        ctxt->_private = &refused;
        ctxt->sax->internalSubset = RefuseDoctype;
        // No entity substitution, no DTD loading, no network, and libxml2's expansion limits kept.
        xmlDocPtr doc = xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                          nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        // A namespace error alone (an undeclared prefix) does not fail the load; Wine's msxml3 takes
        // such a file too.
        bool ok = doc && !refused && ctxt->wellFormed;
        if (refused)
            why = kDoctypeRefused;
        else if (!ok)
            why = ParseFailure(ctxt);
        xmlFreeParserCtxt(ctxt);
        if (!ok) {
            if (doc)
                xmlFreeDoc(doc);
            return false;
        }
        xmlFreeDoc(m_doc);
        m_doc = doc;
        return true;
    }

    std::unique_ptr<IXmlNode> GetDocumentElement() override {
        xmlNodePtr root = xmlDocGetRootElement(m_doc);
        return root ? std::make_unique<CTreeNode>(root, false) : nullptr;
    }

private:
    static std::unique_ptr<IXmlNode> Owned(xmlNodePtr node) {
        return node ? std::make_unique<CTreeNode>(node, true) : nullptr;
    }

    // The parser's last error as "line N: message", its trailing line end cut.
    static std::wstring ParseFailure(xmlParserCtxtPtr ctxt) {
        const xmlError* error = xmlCtxtGetLastError(ctxt);
        if (!error || !error->message)
            return L"not well-formed XML";
        std::wstring message = Utf8ToWide(error->message);
        while (!message.empty() && (message.back() == L'\n' || message.back() == L' '))
            message.pop_back();
        return L"not well-formed XML: line " + std::to_wstring(error->line) + L": " + message;
    }

    static bool ReadWhole(const std::wstring& path, std::string& bytes, std::wstring& why) {
        os::File file;
        int error = 0;
        if (!file.OpenRead(path.c_str(), error)) {
            why = os::ErrorMessage(error);
            return false;
        }
        char chunk[65536];
        for (;;) {
            std::ptrdiff_t got = file.Read(chunk, sizeof chunk, error);
            if (got < 0) {
                why = os::ErrorMessage(error);
                return false;
            }
            if (bytes.size() + static_cast<size_t>(got) > static_cast<size_t>(INT32_MAX)) {
                why = L"too large for a material condition document";
                return false;
            }
            if (got == 0)
                return true;
            bytes.append(chunk, static_cast<size_t>(got));
        }
    }

    xmlDocPtr m_doc;
    bool m_declared = false;
};

} // namespace

std::unique_ptr<IXmlDocument> CreateXmlDocument() {
    xmlInitParser();
    auto doc = std::make_unique<CDocument>();
    if (!doc->IsValid())
        return nullptr;
    return doc;
}
