#include "framework/reschain.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "framework/cstring.h"

namespace {

// Modules register at load and unregister at unload, both under the loader lock of their own
// thread; lookups come from the user-interface thread. One lock keeps the list whole.
std::mutex& ChainLock() {
    static std::mutex lock;
    return lock;
}

std::vector<HINSTANCE>& Chain() {
    static std::vector<HINSTANCE> chain;
    return chain;
}

HINSTANCE& Current() {
    static HINSTANCE current = nullptr;
    return current;
}

// The search order without duplicates: current handle, chain, program file.
std::vector<HINSTANCE> SearchOrder() {
    std::vector<HINSTANCE> order;
    const auto add = [&order](HINSTANCE instance) {
        if (instance && std::find(order.begin(), order.end(), instance) == order.end())
            order.push_back(instance);
    };
    std::lock_guard<std::mutex> lock(ChainLock());
    add(Current() ? Current() : ::GetModuleHandleW(nullptr));
    for (HINSTANCE instance : Chain())
        add(instance);
    add(::GetModuleHandleW(nullptr));
    return order;
}

} // namespace

void RegisterResourceModule(HINSTANCE instance) {
    std::lock_guard<std::mutex> lock(ChainLock());
    auto& chain = Chain();
    if (instance && std::find(chain.begin(), chain.end(), instance) == chain.end())
        chain.push_back(instance);
}

void UnregisterResourceModule(HINSTANCE instance) {
    std::lock_guard<std::mutex> lock(ChainLock());
    auto& chain = Chain();
    chain.erase(std::remove(chain.begin(), chain.end(), instance), chain.end());
    // A module that goes away must not stay current.
    if (Current() == instance)
        Current() = nullptr;
}

HINSTANCE GetResourceHandle() {
    std::lock_guard<std::mutex> lock(ChainLock());
    return Current() ? Current() : ::GetModuleHandleW(nullptr);
}

void SetResourceHandle(HINSTANCE instance) {
    std::lock_guard<std::mutex> lock(ChainLock());
    Current() = instance;
}

HINSTANCE GetCodeModuleHandle() {
    static const char anchor = 0;
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&anchor), &module))
        return ::GetModuleHandleW(nullptr);
    return module;
}

HRSRC FindChainResource(LPCWSTR name, LPCWSTR type, HINSTANCE* found) {
    for (HINSTANCE instance : SearchOrder()) {
        if (HRSRC resource = ::FindResourceW(instance, name, type)) {
            if (found)
                *found = instance;
            return resource;
        }
    }
    return nullptr;
}

bool LoadChainString(UINT id, std::wstring* text) {
    for (HINSTANCE instance : SearchOrder()) {
        // With no buffer size the call hands out the entry in place, with its length; an entry that
        // is absent or empty gives 0.
        const wchar_t* entry = nullptr;
        const int length = ::LoadStringW(instance, id, reinterpret_cast<LPWSTR>(&entry), 0);
        if (length > 0 && entry) {
            text->assign(entry, static_cast<size_t>(length));
            return true;
        }
    }
    return false;
}

#undef LoadString
int CString::LoadString(unsigned id) {
    std::wstring text;
    if (!LoadChainString(id, &text))
        return 0;
    m_str = std::move(text);
    return 1;
}
