// A file that a benchmark writes once per run into a private temporary folder, removed at exit.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

class CBenchFile {
public:
    // Path() stays empty when the folder or the file could not be written.
    CBenchFile(const char* name, const std::string& text) {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrum_bench_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        m_folder = pattern;
        const std::filesystem::path path = m_folder / name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
            return;
        const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        if (std::fclose(file) == 0 && written) {
            m_path = path.string();
            m_bytes = text.size();
        }
    }
    ~CBenchFile() {
        std::error_code ignored;
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder, ignored);
    }
    CBenchFile(const CBenchFile&) = delete;
    CBenchFile& operator=(const CBenchFile&) = delete;

    const std::string& Path() const { return m_path; }
    size_t Bytes() const { return m_bytes; }

private:
    std::filesystem::path m_folder;
    std::string m_path;
    size_t m_bytes = 0;
};
