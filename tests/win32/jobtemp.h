// A window test's job folders go to a folder of its own while this lives: the module takes the
// temporary folder from TMP.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <utility>

#include "win32/uiharness.h"

class CJobTemp {
public:
    explicit CJobTemp(std::wstring folder) : m_folder(std::move(folder)) {
        std::filesystem::create_directory(m_folder);
        ::GetEnvironmentVariableW(L"TMP", m_saved, MAX_PATH);
        ::SetEnvironmentVariableW(L"TMP", m_folder.c_str());
    }
    ~CJobTemp() { ::SetEnvironmentVariableW(L"TMP", m_saved[0] ? m_saved : nullptr); }
    CJobTemp(const CJobTemp&) = delete;
    CJobTemp& operator=(const CJobTemp&) = delete;

    // The parent of every job folder made meanwhile.
    std::filesystem::path JobParent() const { return std::filesystem::path(m_folder) / L"Kestrum"; }

private:
    std::wstring m_folder;
    wchar_t m_saved[MAX_PATH] = {};
};

// The folder this program runs from; a library test's holds the library, the engine and its data.
inline std::wstring ProgramFolder() {
    wchar_t program[2048];
    const std::wstring path(program, ::GetModuleFileNameW(nullptr, program, 2048));
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// From the input dialog in front: "Start Calc", then the console's "Close" once the engine has ended.
// Returns with the console gone.
inline bool RunCalculation(CUiDriver& ui) {
    return ui.Click(IDOK) && ui.WaitForPopup() && ui.WaitFor([&] { return ui.Enabled(IDOK); }, 120000) &&
           ui.RepeatUntilClosed([&] { ui.Click(IDOK); }) && ui.ReturnFromPopup();
}
