#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>

#include "support/testfiles.h"
#include "xml/elem.h"
#include "xml/xmlfile.h"

#ifdef _WIN32
#include <objbase.h>
#endif

namespace {

using Tree = std::unique_ptr<CElem>;

CElem* Child(CElem* parent, const wchar_t* name, const wchar_t* text = L"") {
    return parent->AddChild(new CElem(name, text, parent));
}

// Root "a" with "b" (x=5) and "c" holding one CDATA section "q".
Tree SmallTree() {
    Tree root = std::make_unique<CElem>(L"a", L"", nullptr);
    int32_t five = 5;
    SetAttrInt(&five, L"x", Child(root.get(), L"b"));
    CElem* c = Child(root.get(), L"c");
    c->AddCData(new CElemCData(L"q", c));
    return root;
}

// Every kind of content: typed attributes, text that needs escaping, text outside ASCII, CDATA
// before children, nesting, and prefixed names.
Tree RichTree() {
    Tree root = std::make_unique<CElem>(L"doc", L"", nullptr);
    int32_t count = -42, flag = 1;
    float ratio = 0.1f, tiny = 1e-10f, big = 3.4028235e38f;
    SetAttrInt(&count, L"count", root.get());
    SetAttrFloat(&ratio, L"ratio", root.get());
    SetAttrFloat(&tiny, L"tiny", root.get());
    SetAttrFloat(&big, L"big", root.get());
    SetAttrBool(&flag, L"flag", root.get());
    SetAttrString(L"A&B <\"q\"> \u00e9\u4e2d\U0001F600", L"name", root.get());
    Child(root.get(), L"item", L"hello & <world> \u00e9");
    CElem* group = Child(root.get(), L"group", L"lead");
    group->AddCData(new CElemCData(L"raw <text> & more", group));
    // One section per element: Wine's msxml3 joins sections that only whitespace separates.
    CElem* leaf = Child(group, L"leaf");
    SetAttrString(L"", L"empty", leaf);
    leaf->AddCData(new CElemCData(L"", leaf));
    SetAttrString(L"x", L"kind", Child(Child(group, L"leaf", L"second"), L"deep"));
    CElem* prefixed = Child(root.get(), L"k:item", L"p");
    SetAttrString(L"urn:k", L"xmlns:k", prefixed);
    SetAttrString(L"1", L"k:one", prefixed);
    return root;
}

// What the reader gives back for a tree: names, attributes, CDATA texts, texts of leaf elements
// (others gain the indentation) and children in order. `asWritten` drops what the reader does not
// give back for a tree that was written: element prefixes and namespace declarations.
std::wstring Dump(const CElem* elem, bool asWritten = false) {
    std::wstring_view name = elem->GetName().view();
    std::wstring out(asWritten ? name.substr(name.find(L':') + 1) : name);
    if (elem->GetChildren().empty() && elem->GetCData().empty())
        out += L" '" + std::wstring(elem->GetText().view()) + L"'";
    for (const CElemAttr* attr : elem->GetAttrs()) {
        std::wstring value;
        attr->GetValue().ToText(&value);
        if (!asWritten || attr->GetName().view().rfind(L"xmlns", 0) != 0)
            out += L" " + std::wstring(attr->GetName().view()) + L"='" + value + L"'";
    }
    for (const CElemCData* cdata : elem->GetCData())
        out += L" <![CDATA[" + std::wstring(cdata->GetText().view()) + L"]]>";
    for (const CElem* child : elem->GetChildren())
        out += (child->GetParent() == elem ? L" (" : L" (wrong parent ") + Dump(child, asWritten) + L")";
    return out;
}

// Writes `root`, compares the file with the golden one and returns what reads back from it, which
// must be the same tree.
Tree ExpectGolden(const CElem* root, const char* golden) {
    TempDir dir;
    const std::wstring path = dir.File(L"out.xml");
    EXPECT_EQ(WriteXmlFile(root, path.c_str()), 1) << golden;
    EXPECT_EQ(NormaliseXml(ReadBytes(path)),
              NormaliseXml(Golden((std::string("xml/golden/") + golden).c_str())))
        << golden;
    Tree read(ReadXmlFile(path.c_str()));
    EXPECT_EQ(read ? Dump(read.get()) : L"nothing read", Dump(root, true)) << golden;
    return read;
}

Tree ReadText(const std::string& xml) {
    TempDir dir;
    const std::wstring path = dir.File(L"in.xml");
    WriteBytes(path, xml);
    return Tree(ReadXmlFile(path.c_str()));
}

Tree WriteAndRead(const CElem* root, const std::wstring& path) {
    if (WriteXmlFile(root, path.c_str()) != 1)
        return nullptr;
    return Tree(ReadXmlFile(path.c_str()));
}

} // namespace

TEST(XmlFile, WritesTheGoldenDocumentsAndReadsThemBack) {
    Tree read = ExpectGolden(RichTree().get(), "rich.xml");
    ASSERT_TRUE(read);
    // An element with children keeps its text followed by the indentation that came after it.
    EXPECT_EQ((*std::next(read->GetChildren().begin()))->GetText().view(), L"lead\n\t\t");
}

TEST(XmlFile, FailuresGiveZeroOrNull) {
    TempDir dir;
    Tree tree = SmallTree();
    EXPECT_EQ(
        (std::tuple{WriteXmlFile(tree.get(), L""), WriteXmlFile(tree.get(), nullptr),
                    WriteXmlFile(tree.get(), dir.File(L"missing/out.xml").c_str()), Tree(ReadXmlFile(L"")),
                    Tree(ReadXmlFile(nullptr)), Tree(ReadXmlFile(dir.File(L"missing.xml").c_str()))}),
        std::make_tuple(0, 0, 0, nullptr, nullptr, nullptr));
    for (const char* text : {"<a><b></a>", "<a/><b/>", "", "<a x=\"1\" x=\"2\"/>"})
        EXPECT_FALSE(ReadText(text)) << text;
}

// An element with a name the document cannot take is left out with its subtree and the rest is
// written; a root or an attribute with such a name fails the whole write.
TEST(XmlFile, InvalidNames) {
    TempDir dir;
    const std::wstring path = dir.File(L"out.xml");
    Tree root = SmallTree();
    Child(Child(root.get(), L"bad name"), L"inner");
    Child(root.get(), L"after");
    Tree read = WriteAndRead(root.get(), path);
    ASSERT_TRUE(read);
    EXPECT_EQ(Dump(read.get()), L"a (b '' x='5') (c <![CDATA[q]]>) (after '')");

    CElem badRoot(L"1bad", L"", nullptr);
    EXPECT_EQ(WriteXmlFile(&badRoot, path.c_str()), 0);
    SetAttrString(L"v", L"bad name", root->GetChildren().front());
    EXPECT_EQ(WriteXmlFile(root.get(), path.c_str()), 0);
}

// A document is user data: an entity naming a local file must not bring that file's text into
// the tree, and a nested entity expansion must fail without growing.
TEST(XmlFile, DoesNotExpandExternalOrNestedEntities) {
    TempDir dir;
    const std::wstring secretPath = dir.File(L"secret.txt");
    WriteBytes(secretPath, "SECRET-7f3a");
    std::string url = std::filesystem::path(secretPath).generic_string();
    url = "file:///" + url.substr(url.find_first_not_of('/'));
    Tree external = ReadText("<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ENTITY rel SYSTEM \"secret.txt\">\n"
                             "<!ENTITY abs SYSTEM \"" +
                             url + "\">\n]>\n<r a=\"v\"><t>&rel;</t><i>&abs;</i></r>\n");
    EXPECT_TRUE(!external || Dump(external.get()).find(L"SECRET") == std::wstring::npos);

    std::string bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE b [\n<!ENTITY e0 \"lol\">\n";
    for (int level = 1; level <= 10; ++level) {
        bomb += "<!ENTITY e" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i)
            bomb += "&e" + std::to_string(level - 1) + ";";
        bomb += "\">\n";
    }
    EXPECT_FALSE(ReadText(bomb + "]>\n<b>&e10;</b>\n"));
}

#ifdef _WIN32
// Each call initialises COM for itself: undone afterwards when the call did it, left alone when
// the thread had it already; a thread in the multithreaded apartment is refused before anything
// is created.
TEST(XmlFile, PairsComInitialisationOnEveryPath) {
    TempDir dir;
    const std::wstring path = dir.File(L"com.xml");
    const std::wstring refused = dir.File(L"refused.xml");
    Tree tree = SmallTree();
    std::thread([&] {
        EXPECT_TRUE(WriteAndRead(tree.get(), path));
        EXPECT_EQ(WriteXmlFile(tree.get(), L""), 0);
        EXPECT_FALSE(Tree(ReadXmlFile(L"")));
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        EXPECT_TRUE(WriteAndRead(tree.get(), path));
        EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    }).join();
    std::thread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(WriteXmlFile(tree.get(), refused.c_str()), 0);
        EXPECT_FALSE(std::filesystem::exists(refused));
        EXPECT_FALSE(Tree(ReadXmlFile(path.c_str())));
        CoUninitialize();
    }).join();
}
#else
// libxml2 stands in for MSXML with ProhibitDTD: any document type declaration fails the load.
TEST(XmlFile, RefusesADocumentTypeDeclaration) {
    EXPECT_FALSE(ReadText("<!DOCTYPE r [<!ELEMENT r ANY>]>\n<r a=\"v\">plain</r>"));
    EXPECT_FALSE(ReadText("<!DOCTYPE r SYSTEM \"r.dtd\">\n<r/>"));
}
#endif

// Both platforms' readers give the same tree for the same file, the one in the golden dump. An
// attribute prefix that no declaration names is dropped and namespace declarations are no attributes:
// that is what msxml3 under Wine hands out (Windows' own MSXML would keep the prefix and list the
// declarations), and the libxml2 reader gives the same. Whitespace-only text gives no text, the last
// text node of an element stands, comments, processing instructions and the declaration are passed over.
TEST(XmlFile, ReadsTheSameTreeOnEveryPlatform) {
    Tree root(ReadXmlFile(GoldenPath("xml/golden/foreign.xml").c_str()));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetText().view(), L" last ");
    std::string dump = Golden("xml/golden/foreign.dump");
    dump.erase(dump.find_last_not_of("\r\n") + 1);
    EXPECT_EQ(Dump(root.get()), std::wstring(dump.begin(), dump.end()));
}
