// A child process run through the console process runner, with an owner that records what it is told.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "calc/conproc.h"

// What an owner saw: every output call with its thread, the text joined, and OnExit.
struct Record {
    std::vector<std::pair<std::wstring, std::thread::id>> outputs;
    std::wstring text;
    int exits = 0;
    int exitCode = -1;
    int stateInExit = -1;
    std::thread::id exitThread;
};

// One run of a child: its runner, and an owner as the console dialog is one, which handles every
// callback under one lock.
class ChildRun : public IConProcOwner {
public:
    static constexpr std::chrono::seconds kPatience{60};

    void Launch(const std::wstring& program, const std::wstring& commandLine) {
        ASSERT_EQ(1, runner->Create(this, program.c_str(), commandLine.c_str()));
        ASSERT_EQ(1, runner->Start());
    }

    void OnOutput(const wchar_t* text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        EXPECT_EQ(0, m_record.exits) << "output after OnExit";
        m_record.outputs.emplace_back(text ? text : L"", std::this_thread::get_id());
        m_record.text += text ? text : L"";
        m_changed.notify_all();
    }

    void OnExit(int exitCode) override {
        const int state = m_runner.GetState();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_record.exitCode = exitCode;
        m_record.stateInExit = state;
        m_record.exitThread = std::this_thread::get_id();
        ++m_record.exits;
        m_changed.notify_all();
    }

    Record Get() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_record;
    }
    bool WaitFor(const std::function<bool(const Record&)>& done) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return done(m_record); });
    }
    bool WaitForText(const std::wstring& text) {
        return WaitFor([&](const Record& r) { return r.text.find(text) != std::wstring::npos; });
    }

    // The state turns final just after OnExit has returned.
    bool WaitUntilEnded() {
        if (!WaitFor([](const Record& r) { return r.exits > 0; }))
            return false;
        const auto until = std::chrono::steady_clock::now() + kPatience;
        while (runner->IsActive() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return !runner->IsActive();
    }

    unsigned long PrintedId(const std::wstring& key) {
        const std::wstring text = Get().text;
        const size_t at = text.find(key);
        return at == std::wstring::npos ? 0 : std::stoul(text.substr(at + key.size()));
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Record m_record;

public:
    // Last, so that it ends before what its callbacks use; tests may end it early.
    std::unique_ptr<CConProc> runner = std::make_unique<CConProc>();

private:
    const CConProc& m_runner = *runner;
};
