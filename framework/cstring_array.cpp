#include "framework/cstring_array.h"

#include <stdexcept>

namespace mailvane::framework {

namespace {

size_t CheckedIndex(INT_PTR index, size_t size) {
    if (index < 0 || static_cast<size_t>(index) >= size) throw std::out_of_range("CStringArray index");
    return static_cast<size_t>(index);
}

}  // namespace

INT_PTR CStringArray::Add(const CString& item) {
    m_items.push_back(item);
    return GetSize() - 1;
}

const CString& CStringArray::GetAt(INT_PTR index) const { return m_items[CheckedIndex(index, m_items.size())]; }

void CStringArray::SetAt(INT_PTR index, const CString& item) { m_items[CheckedIndex(index, m_items.size())] = item; }

void CStringArray::InsertAt(INT_PTR index, const CString& item) {
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(CheckedIndex(index, m_items.size() + 1)), item);
}

void CStringArray::RemoveAt(INT_PTR index) {
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(CheckedIndex(index, m_items.size())));
}

}  // namespace mailvane::framework
