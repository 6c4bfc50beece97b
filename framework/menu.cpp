#include "framework/menu.h"

namespace mailvane::framework {

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, LPCWSTR text) { return ::AppendMenuW(m_hMenu, flags, id, text); }

}  // namespace mailvane::framework
