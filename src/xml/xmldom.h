// The few XML document object model operations that the reader and writer in xmlfile.cpp use.
// One implementation per platform: xml_msxml.cpp (MSXML through COM) and xml_libxml2.cpp. No
// operation throws; each reports failure by its result, and a failed operation leaves nothing
// behind that the caller must clean up besides the objects it holds.
#pragma once

#include <memory>
#include <string>
#include <string_view>

// Why a document with a document type declaration is not loaded: the declaration could define
// entities that expand without bound or read local files, and no document of ours needs one.
inline constexpr wchar_t kDoctypeRefused[] =
    L"a document type declaration (<!DOCTYPE ...>) is refused, for safety";

enum class XmlNodeType { Other = 0, Element = 1, Attribute = 2, Text = 3, CData = 4 };

enum class XmlStep { Node, End, Failed };

class IXmlNodeList;

// A node handle; the node itself belongs to its document.
class IXmlNode {
public:
    virtual ~IXmlNode() = default;

    virtual bool GetType(XmlNodeType* type) = 0;
    // An element's name without namespace prefix.
    virtual bool GetBaseName(std::wstring* name) = 0;
    // An attribute's name as written (prefix included) and its value.
    virtual bool GetAttrName(std::wstring* name) = 0;
    virtual bool GetAttrValue(std::wstring* value) = 0;
    // A text node's characters.
    virtual bool GetData(std::wstring* data) = 0;
    // A CDATA section's text.
    virtual bool GetText(std::wstring* text) = 0;
    // Child nodes in document order and an element's attribute nodes; null on failure.
    virtual std::unique_ptr<IXmlNodeList> ChildNodes() = 0;
    virtual std::unique_ptr<IXmlNodeList> Attributes() = 0;
    // Element only: adds an attribute with the given text.
    virtual bool SetAttribute(std::wstring_view name, std::wstring_view value) = 0;
};

class IXmlNodeList {
public:
    virtual ~IXmlNodeList() = default;
    virtual XmlStep Next(std::unique_ptr<IXmlNode>* node) = 0;
};

// One document object. It must outlive every node and list taken from it.
class IXmlDocument {
public:
    virtual ~IXmlDocument() = default;

    // Each returns null on failure. A new node belongs to the document but has no place in it
    // until appended.
    virtual std::unique_ptr<IXmlNode> CreateProcessingInstruction(std::wstring_view target,
                                                                  std::wstring_view data) = 0;
    virtual std::unique_ptr<IXmlNode> CreateElement(std::wstring_view name) = 0;
    virtual std::unique_ptr<IXmlNode> CreateTextNode(std::wstring_view text) = 0;
    virtual std::unique_ptr<IXmlNode> CreateCDataSection(std::wstring_view text) = 0;
    // Appends `child` as last child of `parent`, or of the document when `parent` is null.
    virtual bool AppendChild(IXmlNode* parent, IXmlNode& child) = 0;
    virtual bool SetAsync(bool async) = 0;
    virtual bool SetPreserveWhiteSpace(bool preserve) = 0;
    virtual bool Save(const std::wstring& path) = 0;

    // True only when the whole file was read as well-formed XML; otherwise `why` says what stopped it
    // (the system's message, or the parser's with the line).
    virtual bool Load(const std::wstring& path, std::wstring& why) = 0;
    virtual std::unique_ptr<IXmlNode> GetDocumentElement() = 0;
};

// A new empty document, with whatever the platform needs set up for the calling thread (COM) kept
// until the document is destroyed; null when that or the document cannot be had.
std::unique_ptr<IXmlDocument> CreateXmlDocument();
