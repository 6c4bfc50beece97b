#pragma once

#include <vector>

#include "framework/cstring.h"

namespace mailvane::framework {

// A growable array of strings, indexed from 0.
class CStringArray {
public:
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    bool IsEmpty() const { return m_items.empty(); }
    // Returns the index of the new element.
    INT_PTR Add(const CString& item);
    const CString& GetAt(INT_PTR index) const;
    void SetAt(INT_PTR index, const CString& item);
    const CString& operator[](INT_PTR index) const { return GetAt(index); }
    void InsertAt(INT_PTR index, const CString& item);
    void RemoveAt(INT_PTR index);
    void RemoveAll() { m_items.clear(); }

private:
    std::vector<CString> m_items;
};

}  // namespace mailvane::framework
