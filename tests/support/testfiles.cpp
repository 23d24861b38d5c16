#include "support/testfiles.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "framework/debugout.h"

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        m_path = base / ("kestrum-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(m_path))
            break;
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << "cannot write test file";
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::wstring GoldenPath(const char* name) {
    std::wstring path = (std::filesystem::path(KESTRUM_TESTS_DIR) / name).wstring();
    // Under Wine "/" of the build machine is drive Z:.
    if (std::filesystem::path::preferred_separator == L'\\' && path[0] == L'/')
        path = L"Z:" + path;
    return path;
}

std::string Golden(const char* name) {
    const std::string text = ReadBytes(GoldenPath(name));
    EXPECT_FALSE(text.empty()) << "no golden file " << name;
    return text;
}

std::string NormaliseXml(const std::string& text) {
    static const std::regex decl("^(\xEF\xBB\xBF)?<\\?xml[^?]*\\?>[\r\n]*"), end("[\r\n]+$"),
        emptyElem(R"(<([A-Za-z_][-A-Za-z0-9_.:]*)([^<>]*[^/])?></\1>)");
    std::string out = std::regex_replace(text, decl, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    return std::regex_replace(std::regex_replace(out, end, ""), emptyElem, "<$1$2/>");
}

std::wstring DebugOutputOf(const std::function<void()>& action) {
    std::wstring captured;
    const DebugOutputSink previous = SetDebugOutputSink([&](const wchar_t* text) { captured += text; });
    action();
    SetDebugOutputSink(previous);
    return captured;
}
