#include "xml/xmlfile.h"

#include <string>

#include "xml/elem.h"
#include "xml/xmldom.h"

namespace {

// The declaration is written as a processing instruction: the document's first node.
constexpr wchar_t kDeclTarget[] = L"xml";
constexpr wchar_t kDeclData[] = L" version='1.0' encoding='UTF-8'";

// An XML 1.0 name. MSXML's createElement and setAttribute refuse anything else; Wine's msxml3 takes
// it and saves a file that cannot be read back, so the check is made here for every platform. A
// UTF-16 surrogate is taken as part of a name character beyond the basic plane.
bool IsNameChar(wchar_t ch, bool first) {
    auto in = [ch](unsigned lo, unsigned hi) {
        return static_cast<unsigned>(ch) >= lo && static_cast<unsigned>(ch) <= hi;
    };
    if (in('a', 'z') || in('A', 'Z') || ch == L'_' || ch == L':' || in(0xC0, 0xD6) || in(0xD8, 0xF6) ||
        in(0xF8, 0x2FF) || in(0x370, 0x37D) || in(0x37F, 0x1FFF) || in(0x200C, 0x200D) ||
        in(0x2070, 0x218F) || in(0x2C00, 0x2FEF) || in(0x3001, 0xDFFF) || in(0xF900, 0xFDCF) ||
        in(0xFDF0, 0xFFFD) || in(0x10000, 0xEFFFF))
        return true;
    return !first &&
           (in('0', '9') || ch == L'-' || ch == L'.' || ch == 0xB7 || in(0x300, 0x36F) || in(0x203F, 0x2040));
}

bool IsXmlName(std::wstring_view name) {
    if (name.empty() || !IsNameChar(name.front(), true))
        return false;
    for (wchar_t ch : name.substr(1)) {
        if (!IsNameChar(ch, false))
            return false;
    }
    return true;
}

// A DOM call that fails while a tree is written (other than creating an element or a CDATA
// section, which only loses that node and its subtree) ends the whole write: `failed` is set and
// every level returns at once.
struct Writer {
    IXmlDocument& doc;
    bool failed = false;

    bool Fail() {
        failed = true;
        return false;
    }

    // A line feed and `depth` tabs before a child element or CDATA section and before an end tag.
    bool AppendIndent(IXmlNode* parent, int depth) {
        std::unique_ptr<IXmlNode> indent = doc.CreateTextNode(L"\n" + std::wstring(depth, L'\t'));
        if (!indent || !doc.AppendChild(parent, *indent))
            return Fail();
        return true;
    }
};

int WriteXmlCData(const CElemCData* section, IXmlNode* parent, Writer& writer, int depth) {
    std::unique_ptr<IXmlNode> node = writer.doc.CreateCDataSection(section->GetText().view());
    if (!node)
        return 0;
    if (parent && !writer.AppendIndent(parent, depth))
        return 0;
    if (!writer.doc.AppendChild(parent, *node))
        return writer.Fail();
    return 1;
}

int WriteXmlElem(const CElem* elem, IXmlNode* parent, Writer& writer, int depth) {
    if (!IsXmlName(elem->GetName().view()))
        return 0;
    std::unique_ptr<IXmlNode> node = writer.doc.CreateElement(elem->GetName().view());
    if (!node)
        return 0;
    if (parent && !writer.AppendIndent(parent, depth))
        return 0;
    // The text node is always the element's first child, also when the text is empty.
    std::unique_ptr<IXmlNode> text = writer.doc.CreateTextNode(elem->GetText().view());
    if (!text || !writer.doc.AppendChild(node.get(), *text) || !writer.doc.AppendChild(parent, *node))
        return writer.Fail();
    for (const CElemAttr* attr : elem->GetAttrs()) {
        std::wstring value;
        if (!IsXmlName(attr->GetName().view()) || !attr->GetValue().ToText(&value) ||
            !node->SetAttribute(attr->GetName().view(), value))
            return writer.Fail();
    }
    // A section or child that cannot be created is left out and the rest written.
    for (const CElemCData* section : elem->GetCData()) {
        WriteXmlCData(section, node.get(), writer, depth + 1);
        if (writer.failed)
            return 0;
    }
    for (const CElem* child : elem->GetChildren()) {
        WriteXmlElem(child, node.get(), writer, depth + 1);
        if (writer.failed)
            return 0;
    }
    if ((!elem->GetChildren().empty() || !elem->GetCData().empty()) &&
        !writer.AppendIndent(node.get(), depth))
        return 0;
    return 1;
}

CElemAttr* AttrFromNode(IXmlNode& node, CElem* owner) {
    std::wstring name;
    std::wstring value;
    if (!node.GetAttrName(&name) || !node.GetAttrValue(&value))
        return nullptr;
    return new CElemAttr(std::move(name), CElemVariant::FromString(std::move(value)), owner);
}

CElemCData* CDataFromNode(IXmlNode& node, CElem* owner) {
    std::wstring text;
    if (!node.GetText(&text))
        return nullptr;
    return new CElemCData(std::move(text), owner);
}

// Calls `visit(node, type)` for each node of `list` in order; false when `list` is null, a step or a
// type query fails, or `visit` returns false.
template <typename Visit> bool ForEachNode(IXmlNodeList* list, Visit visit) {
    if (!list)
        return false;
    for (;;) {
        std::unique_ptr<IXmlNode> node;
        XmlStep step = list->Next(&node);
        if (step == XmlStep::End)
            return true;
        if (step == XmlStep::Failed)
            return false;
        XmlNodeType type;
        if (!node->GetType(&type) || !visit(*node, type))
            return false;
    }
}

// A new element with its attributes, appended to `parent`; null on any failure.
CElem* ElemFromNode(IXmlNode& node, CElem* parent) {
    std::wstring name;
    if (!node.GetBaseName(&name))
        return nullptr;
    std::unique_ptr<CElem> elem = std::make_unique<CElem>(std::move(name), CElemString(), parent);
    std::unique_ptr<IXmlNodeList> attrs = node.Attributes();
    if (!ForEachNode(attrs.get(), [&elem](IXmlNode& attr, XmlNodeType type) {
            return type != XmlNodeType::Attribute || elem->AddAttr(AttrFromNode(attr, elem.get()));
        }))
        return nullptr;
    if (parent)
        parent->AddChild(elem.get());
    return elem.release();
}

bool ReadChildren(IXmlNode& node, CElem* elem);

// On failure the new element is detached from `parent` and destroyed, so a failure anywhere
// removes the whole tree.
CElem* ReadXmlElem(IXmlNode& node, CElem* parent) {
    CElem* elem = ElemFromNode(node, parent);
    if (!elem)
        return nullptr;
    auto fail = [elem]() -> CElem* {
        elem->Detach();
        delete elem;
        return nullptr;
    };
    try {
        return ReadChildren(node, elem) ? elem : fail();
    } catch (...) {
        fail();
        throw;
    }
}

bool ReadChildren(IXmlNode& node, CElem* elem) {
    std::unique_ptr<IXmlNodeList> children = node.ChildNodes();
    return ForEachNode(children.get(), [elem](IXmlNode& child, XmlNodeType type) {
        switch (type) {
        case XmlNodeType::Element:
            return ReadXmlElem(child, elem) != nullptr;
        case XmlNodeType::Text: {
            // The last text node of the element stands.
            std::wstring data;
            if (!child.GetData(&data))
                return false;
            elem->SetText(std::move(data));
            return true;
        }
        case XmlNodeType::CData:
            return elem->AddCData(CDataFromNode(child, elem)) != nullptr;
        default:
            return true;
        }
    });
}

} // namespace

int WriteXmlFile(const CElem* root, const wchar_t* path) {
    try {
        std::unique_ptr<IXmlDocument> doc = CreateXmlDocument();
        if (!doc || !root)
            return 0;
        std::unique_ptr<IXmlNode> decl = doc->CreateProcessingInstruction(kDeclTarget, kDeclData);
        if (!decl || !doc->AppendChild(nullptr, *decl) || !doc->SetAsync(false))
            return 0;
        decl.reset();
        Writer writer{*doc};
        if (WriteXmlElem(root, nullptr, writer, 0) != 1 || writer.failed)
            return 0;
        if (!doc->SetPreserveWhiteSpace(true))
            return 0;
        return doc->Save(path ? path : L"") ? 1 : 0;
    } catch (...) {
        // Only allocation can throw here; it ends as any other failure.
        return 0;
    }
}

CElem* ReadXmlFile(const wchar_t* path, std::wstring* why) {
    std::wstring reason = L"no file name";
    CElem* root = nullptr;
    try {
        std::unique_ptr<IXmlDocument> doc = CreateXmlDocument();
        if (!doc)
            reason = L"no XML document object can be created";
        else if (path && *path && doc->Load(path, reason)) {
            reason = L"the document's elements cannot be read";
            if (std::unique_ptr<IXmlNode> element = doc->GetDocumentElement())
                root = ReadXmlElem(*element, nullptr);
        }
    } catch (...) {
        // Only allocation can throw here; it ends as any other failure.
        reason = L"out of memory";
    }
    if (!root && why)
        *why = reason;
    return root;
}
