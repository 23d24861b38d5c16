// The system's open and save file dialogs, explorer style.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <string>

#include "framework/wnd.h"

// The filter in the framework's form, "Name|pattern|Name|pattern||", as the system wants it: the
// same with every '|' a zero character, ending in two zeros.
std::wstring ConvertFileFilter(const wchar_t* filter);
// A default extension the system understands: the name without a leading "*." or "." ("*.vjp" gives
// "vjp"); the dialog then appends it to a name typed without one.
std::wstring ConvertDefaultExtension(const wchar_t* extension);

class CFileDialog {
public:
    CFileDialog(BOOL open, LPCWSTR defaultExtension = nullptr, LPCWSTR fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR filter = nullptr,
                CWnd* parent = nullptr);

    // IDOK when the user chose a file, IDCANCEL otherwise.
    INT_PTR DoModal();
    CString GetPathName() const { return CString(m_fileName.c_str()); }

    OPENFILENAMEW m_ofn{};

private:
    BOOL m_open;
    std::wstring m_filter;
    std::wstring m_defaultExtension;
    std::wstring m_fileName;
};
