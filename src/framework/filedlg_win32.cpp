#include "framework/filedlg.h"

#include <commdlg.h>

std::wstring ConvertFileFilter(const wchar_t* filter) {
    std::wstring converted(filter ? filter : L"");
    for (wchar_t& ch : converted) {
        if (ch == L'|')
            ch = L'\0';
    }
    // The system reads pairs up to an empty name: the list ends with two zeros whatever was given.
    while (converted.size() < 2 || converted.back() != L'\0' || converted[converted.size() - 2] != L'\0')
        converted.push_back(L'\0');
    return converted;
}

std::wstring ConvertDefaultExtension(const wchar_t* extension) {
    std::wstring_view ext(extension ? extension : L"");
    if (ext.starts_with(L"*"))
        ext.remove_prefix(1);
    if (ext.starts_with(L"."))
        ext.remove_prefix(1);
    return std::wstring(ext);
}

CFileDialog::CFileDialog(BOOL open, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                         CWnd* parent)
    : m_open(open), m_filter(filter ? ConvertFileFilter(filter) : std::wstring()),
      m_defaultExtension(ConvertDefaultExtension(defaultExtension)), m_fileName(fileName ? fileName : L"") {
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING;
}

INT_PTR CFileDialog::DoModal() {
    std::wstring buffer(m_fileName);
    buffer.resize(4096, L'\0');
    m_ofn.lpstrFile = buffer.data();
    m_ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
    if (!m_ofn.hwndOwner)
        m_ofn.hwndOwner = ::GetActiveWindow();
    const BOOL chosen = m_open ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    m_ofn.lpstrFile = nullptr;
    if (!chosen)
        return IDCANCEL;
    m_fileName.assign(buffer.c_str());
    return IDOK;
}
