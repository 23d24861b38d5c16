// What the job tests need from the platform: job_posix_test.cpp and job_win32_test.cpp.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "support/testfiles.h"

// The separator the job code must use on this platform, and the other one.
extern const wchar_t kSep;
extern const wchar_t kForeign;

// Points the system's temporary folder at `folder` for this process.
void SetTempFolder(const std::wstring& folder);
// Makes the system's temporary folder impossible to find.
void LoseTempFolder();

// Each job test has its own temporary folder, so the job parent "Kestrum" is a fresh one, and a second
// folder that stands for a user's folder outside it. The system's temporary folder is the one that holds
// them, and it is the one again after the test.
class JobTest : public ::testing::Test {
protected:
    void SetUp() override { SetTempFolder(m_temp.Path().wstring()); }
    void TearDown() override { SetTempFolder(m_outside.Path().parent_path().wstring()); }

    // The temporary folder as the job code sees it, with its trailing separator.
    std::wstring Temp() const { return m_temp.Path().wstring() + kSep; }
    std::wstring Parent() const { return Temp() + L"Kestrum"; }
    const TempDir& Outside() const { return m_outside; }

private:
    TempDir m_temp;
    TempDir m_outside;
};
