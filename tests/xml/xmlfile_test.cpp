#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <thread>

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

std::wstring AttrText(const CElemAttr* attr) {
    std::wstring text;
    attr->GetValue().ToText(&text);
    return text;
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

// What the serializers may do differently: a byte-order mark, the declaration's quoting and
// blanks, the line end after it and at the end of the file, and an element holding only empty
// text written as <a></a> or <a/>.
std::string Normalise(std::string text) {
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    if (text.rfind("<?xml", 0) == 0) {
        size_t end = text.find("?>");
        if (end == std::string::npos)
            return text;
        end += 2;
        while (end < text.size() && (text[end] == '\r' || text[end] == '\n'))
            ++end;
        text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + text.substr(end);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    static const std::regex emptyElem(R"(<([A-Za-z_][-A-Za-z0-9_.:]*)([^<>]*[^/])?></\1>)");
    return std::regex_replace(text, emptyElem, "<$1$2/>");
}

std::wstring GoldenPath(const char* name) {
    std::wstring path = std::filesystem::path(KESTRUM_XML_GOLDEN_DIR).wstring() + L"/";
    path.append(name, name + std::char_traits<char>::length(name));
    // Under Wine "/" of the build machine is drive Z:.
    if (std::filesystem::path::preferred_separator == L'\\' && path[0] == L'/')
        path = L"Z:" + path;
    return path;
}

void ExpectGolden(const CElem* root, const char* golden) {
    TempDir dir;
    const std::wstring path = dir.File(L"out.xml");
    ASSERT_EQ(WriteXmlFile(root, path.c_str()), 1);
    const std::string expected = ReadBytes(GoldenPath(golden));
    ASSERT_FALSE(expected.empty()) << golden;
    EXPECT_EQ(Normalise(ReadBytes(path)), Normalise(expected)) << golden;
}

Tree ReadText(const std::string& xml) {
    TempDir dir;
    const std::wstring path = dir.File(L"in.xml");
    WriteBytes(path, xml);
    return Tree(ReadXmlFile(path.c_str()));
}

bool TreeContains(const CElem* elem, std::wstring_view needle) {
    if (elem->GetText().view().find(needle) != std::wstring_view::npos ||
        elem->GetName().view().find(needle) != std::wstring_view::npos)
        return true;
    for (const CElemAttr* attr : elem->GetAttrs()) {
        if (AttrText(attr).find(needle) != std::wstring::npos)
            return true;
    }
    for (const CElemCData* cdata : elem->GetCData()) {
        if (cdata->GetText().view().find(needle) != std::wstring_view::npos)
            return true;
    }
    for (const CElem* child : elem->GetChildren()) {
        if (TreeContains(child, needle))
            return true;
    }
    return false;
}

// The same names, child order, attribute texts and CDATA texts; texts of leaf elements.
void ExpectSameTree(const CElem* written, const CElem* read) {
    std::wstring_view name = written->GetName().view();
    EXPECT_EQ(read->GetName().view(), name.substr(name.find(L':') + 1));
    if (written->GetChildren().empty() && written->GetCData().empty()) {
        EXPECT_EQ(read->GetText().view(), written->GetText().view())
            << "in " << std::string(name.begin(), name.end());
    }
    std::vector<std::pair<std::wstring, std::wstring>> wattrs, rattrs;
    for (const CElemAttr* attr : written->GetAttrs()) {
        if (attr->GetName().view().rfind(L"xmlns", 0) != 0)
            wattrs.emplace_back(attr->GetName().c_str(), AttrText(attr));
    }
    for (const CElemAttr* attr : read->GetAttrs())
        rattrs.emplace_back(attr->GetName().c_str(), AttrText(attr));
    EXPECT_EQ(rattrs, wattrs);
    ASSERT_EQ(read->GetCData().size(), written->GetCData().size());
    for (auto w = written->GetCData().begin(), r = read->GetCData().begin(); r != read->GetCData().end();
         ++w, ++r)
        EXPECT_EQ((*r)->GetText().view(), (*w)->GetText().view());
    ASSERT_EQ(read->GetChildren().size(), written->GetChildren().size());
    for (auto w = written->GetChildren().begin(), r = read->GetChildren().begin();
         r != read->GetChildren().end(); ++w, ++r) {
        EXPECT_EQ((*r)->GetParent(), read);
        ExpectSameTree(*w, *r);
    }
}

} // namespace

TEST(XmlFile, WritesTheGoldenDocuments) {
    CElem bare(L"a", L"", nullptr);
    ExpectGolden(&bare, "bare.xml");
    ExpectGolden(SmallTree().get(), "small.xml");
    ExpectGolden(RichTree().get(), "rich.xml");
}

TEST(XmlFile, ReadsBackWhatItWrote) {
    TempDir dir;
    const std::wstring path = dir.File(L"rich.xml");
    Tree written = RichTree();
    ASSERT_EQ(WriteXmlFile(written.get(), path.c_str()), 1);
    Tree read(ReadXmlFile(path.c_str()));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->GetParent(), nullptr);
    ExpectSameTree(written.get(), read.get());

    float ratio = 0;
    int32_t count = 0, flag = 0;
    EXPECT_EQ(GetAttrFloat(&ratio, L"ratio", read.get()), 1);
    EXPECT_EQ(ratio, 0.1f);
    EXPECT_EQ(GetAttrInt(&count, L"count", read.get()), 1);
    EXPECT_EQ(count, -42);
    EXPECT_EQ(GetAttrBool(&flag, L"flag", read.get()), 1);
    EXPECT_EQ(flag, 1);
    // An element with children keeps its text followed by the indentation that came after it.
    const CElem* group = *std::next(read->GetChildren().begin());
    EXPECT_EQ(group->GetText().view(), L"lead\n\t\t");
}

// Whitespace-only text between elements gives no text; the last text node of an element stands;
// comments, processing instructions and the declaration are passed over; names lose the element
// prefix but attributes keep theirs; namespace declarations are not among the attributes.
TEST(XmlFile, ReadsForeignDocuments) {
    Tree root = ReadText("\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- top -->\r\n"
                         "<p:doc xmlns:p=\"urn:p\" p:a=\"1\" b=\"two\" xmlns=\"urn:d\">\r\n"
                         "  first <!-- c --> last <?pi data?>\r\n"
                         "  <p:item>  spaced  </p:item>\r\n"
                         "  <blank>   </blank>\r\n"
                         "  <![CDATA[ keep <this> ]]>\r\n"
                         "  <self/>\r\n"
                         "</p:doc>\r\n");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetName().view(), L"doc");
    EXPECT_EQ(root->GetText().view(), L" last ");
    ASSERT_EQ(root->GetAttrs().size(), 2u);
    EXPECT_EQ(root->GetAttrs().front()->GetName().view(), L"p:a");
    EXPECT_EQ(root->GetAttrs().back()->GetName().view(), L"b");
    ASSERT_EQ(root->GetChildren().size(), 3u);
    auto child = root->GetChildren().begin();
    EXPECT_EQ((*child)->GetName().view(), L"item");
    EXPECT_EQ((*child)->GetText().view(), L"  spaced  ");
    EXPECT_EQ((*++child)->GetText().view(), L"");
    EXPECT_EQ((*++child)->GetName().view(), L"self");
    ASSERT_EQ(root->GetCData().size(), 1u);
    EXPECT_EQ(root->GetCData().front()->GetText().view(), L" keep <this> ");
}

TEST(XmlFile, FailuresGiveZeroOrNull) {
    TempDir dir;
    Tree tree = SmallTree();
    EXPECT_EQ(WriteXmlFile(tree.get(), L""), 0);
    EXPECT_EQ(WriteXmlFile(tree.get(), nullptr), 0);
    EXPECT_EQ(WriteXmlFile(tree.get(), dir.File(L"missing/out.xml").c_str()), 0);
    EXPECT_EQ(ReadXmlFile(L""), nullptr);
    EXPECT_EQ(ReadXmlFile(nullptr), nullptr);
    EXPECT_EQ(ReadXmlFile(dir.File(L"missing.xml").c_str()), nullptr);
    EXPECT_FALSE(ReadText("<a><b></a>"));
    EXPECT_FALSE(ReadText("<a/><b/>"));
    EXPECT_FALSE(ReadText(""));
    EXPECT_FALSE(ReadText("<a x=\"1\" x=\"2\"/>"));
}

// An element that the document cannot create is left out with its subtree; the rest is written.
// A root that cannot be created fails the whole write.
TEST(XmlFile, LeavesOutAnElementWithAnInvalidName) {
    TempDir dir;
    const std::wstring path = dir.File(L"out.xml");
    Tree root = SmallTree();
    Child(Child(root.get(), L"bad name"), L"inner");
    Child(root.get(), L"after");
    ASSERT_EQ(WriteXmlFile(root.get(), path.c_str()), 1);
    Tree read(ReadXmlFile(path.c_str()));
    ASSERT_TRUE(read);
    ASSERT_EQ(read->GetChildren().size(), 3u);
    EXPECT_EQ(read->GetChildren().back()->GetName().view(), L"after");
    EXPECT_FALSE(TreeContains(read.get(), L"inner"));

    CElem badRoot(L"1bad", L"", nullptr);
    EXPECT_EQ(WriteXmlFile(&badRoot, path.c_str()), 0);
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
                             url + "\">\n]>\n<r a=\"v\">&rel;<i>&abs;</i></r>\n");
    if (external) {
        EXPECT_FALSE(TreeContains(external.get(), L"SECRET"));
    }

    std::string bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE b [\n<!ENTITY e0 \"lol\">\n";
    for (int level = 1; level <= 10; ++level) {
        bomb += "<!ENTITY e" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i)
            bomb += "&e" + std::to_string(level - 1) + ";";
        bomb += "\">\n";
    }
    bomb += "]>\n<b>&e10;</b>\n";
    EXPECT_FALSE(ReadText(bomb));
}

TEST(XmlFile, RefusesAnAttributeWithAnInvalidName) {
    TempDir dir;
    Tree root = SmallTree();
    SetAttrString(L"v", L"bad name", root->GetChildren().front());
    EXPECT_EQ(WriteXmlFile(root.get(), dir.File(L"out.xml").c_str()), 0);
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
        EXPECT_EQ(WriteXmlFile(tree.get(), path.c_str()), 1);
        EXPECT_TRUE(Tree(ReadXmlFile(path.c_str())));
        EXPECT_EQ(WriteXmlFile(tree.get(), L""), 0);
        EXPECT_FALSE(Tree(ReadXmlFile(L"")));
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        EXPECT_EQ(WriteXmlFile(tree.get(), path.c_str()), 1);
        EXPECT_TRUE(Tree(ReadXmlFile(path.c_str())));
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
#endif

#ifndef _WIN32
// libxml2 stands in for MSXML with ProhibitDTD: any document type declaration fails the load,
// before an entity is declared or expanded.
TEST(XmlFile, RefusesADocumentTypeDeclaration) {
    EXPECT_TRUE(ReadText("<r a=\"v\">plain</r>"));
    EXPECT_FALSE(ReadText("<!DOCTYPE r [<!ELEMENT r ANY>]>\n<r a=\"v\">plain</r>"));
    EXPECT_FALSE(ReadText("<!DOCTYPE r SYSTEM \"r.dtd\">\n<r/>"));
}
#endif
