#pragma once

#include <windows.h>

namespace mailvane::framework {

// A menu handle held, not owned: the menus the program touches belong to
// their windows.
class CMenu {
public:
    CMenu() = default;
    explicit CMenu(HMENU menu) : m_hMenu(menu) {}

    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr);

    HMENU m_hMenu = nullptr;
};

}  // namespace mailvane::framework
