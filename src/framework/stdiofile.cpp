#include "framework/stdiofile.h"

#include <algorithm>
#include <cstring>

#include "framework/debugout.h"

namespace {

constexpr std::size_t kInBufferSize = 64 * 1024;
constexpr std::size_t kOutFlushSize = 64 * 1024;

} // namespace

int CFileException::GetErrorMessage(wchar_t* buffer, unsigned maxChars) const {
    if (!buffer || maxChars == 0)
        return 0;
    const CString text = GetErrorMessage();
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(text.GetLength()), maxChars - 1);
    std::wmemcpy(buffer, text.GetString(), n);
    buffer[n] = L'\0';
    return 1;
}

CString CFileException::GetErrorMessage() const {
    CString text = m_fileName;
    if (!text.IsEmpty())
        text += L": ";
    text += os::ErrorMessage(m_osError).c_str();
    return text;
}

void CFileException::TraceError() const {
    wchar_t message[1024];
    GetErrorMessage(message, 1024);
    DebugOutput(message);
    DebugOutput(L"\n");
}

int CStdioFile::Open(const wchar_t* path, unsigned flags, CFileException* error) {
    Abort();
    m_failed = false;
    m_error = CFileException();
    m_error.m_fileName = path;
    m_writing = (flags & modeWrite) != 0;
    int osError = 0;
    // Writing always creates or truncates: the module never appends to or updates a text file.
    const bool ok = m_writing ? m_file.OpenWrite(path, osError) : m_file.OpenRead(path, osError);
    if (!ok) {
        Fail(osError);
        if (error)
            *error = m_error;
        return 0;
    }
    if (!m_writing)
        m_in.resize(kInBufferSize);
    return 1;
}

bool CStdioFile::Fail(int osError) {
    m_failed = true;
    m_error.m_osError = osError;
    return false;
}

bool CStdioFile::FillBytes() {
    if (m_eof)
        return false;
    int osError = 0;
    const std::ptrdiff_t n = m_file.Read(m_in.data(), m_in.size(), osError);
    if (n < 0) {
        m_eof = true;
        return Fail(osError);
    }
    m_inPos = 0;
    m_inEnd = static_cast<std::size_t>(n);
    m_eof = n == 0;
    return n > 0;
}

// Collects the bytes of the next line (through its LF, when it has one) in m_lineBytes; false at the
// end or on an error.
bool CStdioFile::CollectLineBytes(bool& sawLf) {
    m_lineBytes.clear();
    sawLf = false;
    if (!m_file.IsOpen() || m_writing || m_failed)
        return false;
    while (!sawLf) {
        if (m_inPos == m_inEnd && !FillBytes()) {
            if (m_failed)
                return false;
            break;
        }
        const char* start = m_in.data() + m_inPos;
        const std::size_t avail = m_inEnd - m_inPos;
        const void* lf = std::memchr(start, '\n', avail);
        const std::size_t take =
            lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) + 1 : avail;
        m_lineBytes.append(start, take);
        m_inPos += take;
        sawLf = lf != nullptr;
    }
    return !m_lineBytes.empty();
}

// Reads the bytes of the next line and decodes them; false at the end or on an error.
bool CStdioFile::DecodeNextLine() {
    m_line.clear();
    m_linePos = 0;
    bool sawLf = false;
    if (!CollectLineBytes(sawLf))
        return false;
    // Text mode: CR LF reads as LF on every platform.
    const std::size_t n = m_lineBytes.size();
    if (sawLf && n >= 2 && m_lineBytes[n - 2] == '\r') {
        m_lineBytes[n - 2] = '\n';
        m_lineBytes.pop_back();
    }
    os::DecodeText(m_lineBytes, m_line);
    return true;
}

bool CStdioFile::ReadLineBytes(std::string_view& line) {
    // A line that lies whole in the buffer is handed out in place, without a copy.
    const char* start = m_in.data() + m_inPos;
    const void* lf = m_inPos < m_inEnd ? std::memchr(start, '\n', m_inEnd - m_inPos) : nullptr;
    bool sawLf = lf != nullptr;
    if (sawLf) {
        const auto n = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
        m_inPos += n + 1;
        line = std::string_view(start, n);
    } else {
        if (!CollectLineBytes(sawLf))
            return false;
        line = m_lineBytes;
        if (sawLf)
            line.remove_suffix(1);
    }
    if (sawLf && !line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return true;
}

bool CStdioFile::ReadRest(std::string& bytes) {
    if (!m_file.IsOpen() || m_writing || m_failed)
        return false;
    if (const std::int64_t size = m_file.Size(); size > 0)
        bytes.reserve(bytes.size() + static_cast<std::size_t>(size));
    do {
        bytes.append(m_in.data() + m_inPos, m_inEnd - m_inPos);
        m_inPos = m_inEnd;
    } while (FillBytes());
    return !m_failed;
}

wchar_t* CStdioFile::ReadString(wchar_t* buffer, unsigned maxChars) {
    if (!buffer || maxChars < 2)
        return nullptr;
    if (m_linePos >= m_line.size() && !DecodeNextLine())
        return nullptr;
    const std::size_t n = std::min<std::size_t>(maxChars - 1, m_line.size() - m_linePos);
    std::wmemcpy(buffer, m_line.data() + m_linePos, n);
    buffer[n] = L'\0';
    m_linePos += n;
    return buffer;
}

bool CStdioFile::ReadString(CString& line) {
    if (m_linePos >= m_line.size() && !DecodeNextLine())
        return false;
    std::wstring_view rest(m_line.data() + m_linePos, m_line.size() - m_linePos);
    m_linePos = m_line.size();
    if (!rest.empty() && rest.back() == L'\n')
        rest.remove_suffix(1);
    line = CString(rest);
    return true;
}

int CStdioFile::WriteString(const wchar_t* text) {
    if (!m_file.IsOpen() || !m_writing || m_failed)
        return 0;
    std::wstring_view rest = text ? text : L"";
    // Text mode: every LF goes out as CR LF. LF is a single byte in every 8-bit encoding we write.
    for (std::size_t lf; (lf = rest.find(L'\n')) != std::wstring_view::npos; rest.remove_prefix(lf + 1)) {
        os::EncodeText(rest.substr(0, lf), m_out);
        m_out += "\r\n";
    }
    os::EncodeText(rest, m_out);
    if (m_out.size() >= kOutFlushSize && !Flush())
        return 0;
    return 1;
}

bool CStdioFile::Flush() {
    int osError = 0;
    const bool ok = m_out.empty() || m_file.Write(m_out.data(), m_out.size(), osError);
    m_out.clear();
    return ok || Fail(osError);
}

int CStdioFile::Close() {
    if (!m_file.IsOpen())
        return 0;
    bool ok = !m_failed;
    if (m_writing)
        ok = Flush() && ok;
    int osError = 0;
    if (!m_file.Close(osError))
        ok = Fail(osError);
    Abort(); // the buffers go; the failure, if any, stays readable
    return ok ? 1 : 0;
}

void CStdioFile::Abort() {
    m_file.Close();
    m_out.clear();
    m_in.clear();
    m_inPos = m_inEnd = 0;
    m_eof = false;
    m_line.clear();
    m_linePos = 0;
}
