#include "cli/cli.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "cli/present.h"
#include "framework/osfile.h"
#include "framework/stdiofile.h"
#include "framework/utf.h"
#include "results/resultfile.h"

namespace cli {

int Fail(int status, std::string_view message) {
    std::string line = "kestrumprops: ";
    line += message;
    if (status == kExitUsage)
        line += " (try 'kestrumprops --help')";
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    return status;
}

int WriteStdout(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return Fail(kExitFileError, "cannot write to standard output");
    return kExitOk;
}

void Warn(std::string_view message) {
    std::string line = "kestrumprops: ";
    line += message;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::wstring_view SeriesName(const CMatPropData& series) {
    return {series.m_name, wcsnlen(series.m_name, std::size(series.m_name))};
}

Row DerivedRow(const CMatProps& siSet, KESTRUMMOD_DATATYPE type) {
    CMatPropData none;
    none.m_dataType = type;
    const CMatPropData* series = FindSeries(siSet, type);
    Row row{L"  " + PropertyTitle(series ? *series : none), L"n/a", L""};
    if (const std::optional<double> value = series ? SingleValue(*series) : std::nullopt) {
        // Temperatures to a tenth of a kelvin, the others to six significant digits.
        row[1] = Text(PropertyUnit(type) == L"C" ? L"%.1f" : L"%g", *value);
        row[2] = PropertyUnit(type);
    }
    return row;
}

int WriteWholeFile(const std::string& path, const std::string& bytes) {
    os::File file;
    int error = 0;
    if (!file.OpenWrite(Utf8ToWide(path).c_str(), error) || !file.Write(bytes.data(), bytes.size(), error) ||
        !file.Close(error))
        return Fail(kExitFileError, "cannot write " + path + ": " + WideToUtf8(os::ErrorMessage(error)));
    return kExitOk;
}

std::string NotEmpty(const std::string& value) {
    return value.empty() ? std::string("needs a name") : std::string();
}

int CheckFileArgument(const std::string& file, const std::string& command) {
    if (file.empty())
        return Fail(kExitUsage, "missing FILE for " + command);
    return kExitOk;
}

bool ParseNumber(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           std::isfinite(value);
}

bool ParseIndex(std::string_view text, int last, int32_t& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           value >= 0 && value <= last;
}

int CheckInputFile(const std::wstring& path) {
    CStdioFile file;
    CFileException error;
    if (!file.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::shareDenyWrite, &error))
        return Fail(kExitFileError, error.GetErrorMessage().ToUtf8());
    file.Abort();
    if (!os::IsRegularFile(path.c_str()))
        return Fail(kExitFileError, WideToUtf8(path) + ": not a regular file");
    return kExitOk;
}

std::string FileFailure(const std::string& what, const std::string& file, std::string reason) {
    std::replace_if(
        reason.begin(), reason.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    const auto first = reason.find_first_not_of(" \t");
    reason = first == std::string::npos ? std::string()
                                        : reason.substr(first, reason.find_last_not_of(" \t") - first + 1);
    if (reason.empty())
        return what + ' ' + file;
    if (reason.rfind(file + ": ", 0) == 0)
        return what + ' ' + reason;
    return what + ' ' + file + ": " + reason;
}

bool IsJMatProName(const std::string& file, bool jmatpro) {
    return jmatpro || CString::FromUtf8(file).Right(4).CompareNoCase(L".dat") == 0;
}

int LoadSet(const std::string& file, bool jmatpro, CMatProps& set) {
    const std::wstring path = Utf8ToWide(file);
    if (const int status = CheckInputFile(path); status != kExitOk)
        return status;
    if (const FileResult read = ReadResultFile(path.c_str(), set, jmatpro ? kFormatJMatPro : kFormatEngine,
                                               ReadThreads::CallerAndHelper);
        !read)
        return Fail(kExitFileError, FileFailure("cannot read", file, WideToUtf8(read.message)));
    if (!KnowsAProperty(set))
        return Fail(kExitFileError,
                    file + ": not a result file: no column heading names a property the module knows" +
                        (jmatpro ? " (read as JMatPro output)"
                                 : " (read in the engine's format; --jmatpro reads JMatPro output)"));
    if (const size_t count = CountNotFinite(set); count > 0)
        Warn("warning: " + file + ": " + std::to_string(count) + (count == 1 ? " value is" : " values are") +
             " not a finite number (nan, inf, or beyond single precision): charts leave them out, CSV "
             "files have an empty cell, JSON has null");
    return kExitOk;
}

namespace {

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// Creates the file at `path` and takes it away again: whether a file can be written there, and why not.
bool CanCreate(const std::string& path, std::string& reason) {
    os::File file;
    int code = 0;
    if (!file.OpenWrite(Utf8ToWide(path).c_str(), code)) {
        reason = WideToUtf8(os::ErrorMessage(code));
        return false;
    }
    file.Close();
    os::RemoveFile(Utf8ToWide(path).c_str());
    return true;
}

} // namespace

int PrepareOutputs(const std::string& file, const std::string& plotFolder) {
    if (!file.empty()) {
        if (const int status = CheckWritable(file); status != kExitOk)
            return status;
    }
    return plotFolder.empty() ? kExitOk : MakeFolder(plotFolder);
}

int CheckWritable(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(PathOf(path), error))
        return Fail(kExitFileError, "cannot write " + path + ": it is a folder");
    // An existing file is replaced at the end; only a new one is tried here.
    std::string reason;
    if (!std::filesystem::exists(PathOf(path), error) && !CanCreate(path, reason))
        return Fail(kExitFileError, FileFailure("cannot write", path, reason));
    return kExitOk;
}

// Whether files can be written into the folder is tried with a file of a name no command writes.
int MakeFolder(const std::string& folder) {
    if (folder.empty())
        return kExitOk;
    std::error_code error;
    std::filesystem::create_directories(PathOf(folder), error);
    if (!std::filesystem::is_directory(PathOf(folder)))
        return Fail(kExitFileError, "cannot create folder " + folder + (error ? ": " + error.message() : ""));
    const std::string probe = folder + "/.kestrumprops-write-check";
    std::string reason;
    if (!std::filesystem::exists(PathOf(probe), error) && !CanCreate(probe, reason))
        return Fail(kExitFileError, "cannot write into folder " + folder + ": " + reason);
    return kExitOk;
}

int LoadCondition(const std::string& file, MatCondition& rec) {
    const std::wstring path = Utf8ToWide(file);
    if (const int status = CheckInputFile(path); status != kExitOk)
        return status;
    // As the input dialog loads: into a record in the reset state, which counts only when whole.
    MatCondition loaded;
    if (const FileResult load = LoadMatCondition(path.c_str(), &loaded); !load)
        return Fail(kExitFileError,
                    file + ": not a material condition document: " + WideToUtf8(load.message));
    rec = loaded;
    return kExitOk;
}

} // namespace cli
