// CStringList: an ordered list of strings.
#pragma once

#include <list>

#include "framework/cstring.h"

class CStringList {
public:
    void AddTail(const CString& text) { m_items.push_back(text); }
    void AddHead(const CString& text) { m_items.push_front(text); }
    int GetCount() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    void RemoveAll() { m_items.clear(); }
    const CString& GetHead() const { return m_items.front(); }
    const CString& GetTail() const { return m_items.back(); }
    CString RemoveHead() {
        CString head = m_items.front();
        m_items.pop_front();
        return head;
    }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::list<CString> m_items;
};
