// CStdioFile: the framework's text file, read and written line by line in text mode.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "framework/cstring.h"
#include "framework/osfile.h"

// The reason an operation on a CStdioFile failed: the system's error code and message text.
class CFileException {
public:
    int m_osError = 0;
    CString m_fileName;

    // The system's message, prefixed by the file name; cut to fit `maxChars` including the zero.
    // Returns 1 when a message was written, 0 when the buffer has no room for one.
    int GetErrorMessage(wchar_t* buffer, unsigned maxChars) const;
    CString GetErrorMessage() const;
    // Writes the message (at most 1024 characters) and a line end to the debugger output.
    void TraceError() const;
};

// No exceptions leave this class: failures are results, and the last failure stays readable.
class CStdioFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeCreate = 0x1000,
        shareDenyWrite = 0x0020,
        typeText = 0x4000,
    };

    CStdioFile() = default;
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;
    ~CStdioFile() { Abort(); }

    // modeRead (with or without shareDenyWrite) opens an existing file; modeCreate | modeWrite creates
    // or truncates one. Text mode is the only mode. Returns 1 or 0, with the reason in `error`.
    int Open(const wchar_t* path, unsigned flags, CFileException* error = nullptr);

    // Reads the next piece of a line into `buffer` (at most maxChars - 1 characters and a zero).
    // A piece that reaches the end of its line keeps the line's "\n" (a CR before it is dropped);
    // a longer line comes back in several pieces. Returns `buffer`, or null at the end of the file or
    // on a read error (then HasFailed() is true and LastError() tells why).
    wchar_t* ReadString(wchar_t* buffer, unsigned maxChars);
    // Reads one whole line without its line end; false at the end of the file or on an error.
    bool ReadString(CString& line);
    // The next line's bytes as they stand in the file, without its LF or CR LF: no decoding, no copy
    // for most lines. The view lasts until the next read. Not to be mixed with ReadString on one line.
    bool ReadLineBytes(std::string_view& line);
    // Appends every byte not read yet, as it stands in the file, to `bytes`; false on a read error.
    bool ReadRest(std::string& bytes);

    // Writes `text`, each "\n" as CR LF. Returns 1, or 0 on a write error.
    int WriteString(const wchar_t* text);

    // Flushes and closes. Returns 1, or 0 when a write error shows only now.
    int Close();
    // Closes without reporting anything.
    void Abort();

    bool IsOpen() const { return m_file.IsOpen(); }
    // The file's size in bytes, -1 when unknown.
    std::int64_t Size() const { return m_file.Size(); }
    bool HasFailed() const { return m_failed; }
    const CFileException& LastError() const { return m_error; }

private:
    bool Fail(int osError);
    bool FillBytes();
    bool CollectLineBytes(bool& sawLf);
    bool DecodeNextLine();
    bool Flush();

    os::File m_file;
    bool m_writing = false;
    bool m_failed = false;
    CFileException m_error;

    // Reading: raw bytes in, one decoded line out in pieces.
    std::vector<char> m_in;
    std::size_t m_inPos = 0;
    std::size_t m_inEnd = 0;
    bool m_eof = false;
    std::string m_lineBytes;
    std::wstring m_line;
    std::size_t m_linePos = 0;

    // Writing: encoded bytes waiting for the next flush.
    std::string m_out;
};
