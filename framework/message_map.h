#pragma once

#include <windows.h>

#include <cstddef>

namespace mailvane::framework {

// A message map is a table of entries, each made by one of the functions in
// namespace message_map. The function chosen fixes the handler's signature,
// so a handler of the wrong shape does not compile. The table is walked in
// order; the first matching entry handles the message.
template <class T>
struct MessageMapEntry {
    // One member per handler shape; the entry's cracker reads the member that
    // its factory function wrote.
    union Handler {
        void (T::*plain)();
        void (T::*sysCommand)(UINT, LPARAM);
        HCURSOR (T::*queryDragIcon)();
    };
    using Cracker = LRESULT (*)(T& target, const Handler& handler, WPARAM wParam, LPARAM lParam);

    UINT message;
    UINT code;  // notification code, WM_COMMAND only
    UINT id;    // control id, WM_COMMAND only
    Handler handler;
    Cracker crack;
};

namespace message_map {

template <class T>
LRESULT CrackPlain(T& target, const typename MessageMapEntry<T>::Handler& handler, WPARAM, LPARAM) {
    (target.*handler.plain)();
    return 0;
}

// WM_COMMAND with this notification code from this control: void OnX().
template <class T>
MessageMapEntry<T> Command(UINT code, UINT id, void (T::*handler)()) {
    MessageMapEntry<T> entry{WM_COMMAND, code, id, {}, &CrackPlain<T>};
    entry.handler.plain = handler;
    return entry;
}

// A message whose handler takes nothing and returns nothing: WM_PAINT,
// WM_CLOSE, WM_DESTROY, or one of the program's own.
template <class T>
MessageMapEntry<T> Plain(UINT message, void (T::*handler)()) {
    MessageMapEntry<T> entry{message, 0, 0, {}, &CrackPlain<T>};
    entry.handler.plain = handler;
    return entry;
}

// WM_SYSCOMMAND: void OnSysCommand(UINT id, LPARAM lParam).
template <class T>
MessageMapEntry<T> SysCommand(void (T::*handler)(UINT, LPARAM)) {
    MessageMapEntry<T> entry{
        WM_SYSCOMMAND,
        0,
        0,
        {},
        [](T& target, const typename MessageMapEntry<T>::Handler& h, WPARAM wParam, LPARAM lParam) -> LRESULT {
            (target.*h.sysCommand)(static_cast<UINT>(wParam), lParam);
            return 0;
        }};
    entry.handler.sysCommand = handler;
    return entry;
}

// WM_QUERYDRAGICON: HCURSOR OnQueryDragIcon().
template <class T>
MessageMapEntry<T> QueryDragIcon(HCURSOR (T::*handler)()) {
    MessageMapEntry<T> entry{WM_QUERYDRAGICON,
                             0,
                             0,
                             {},
                             [](T& target, const typename MessageMapEntry<T>::Handler& h, WPARAM, LPARAM) -> LRESULT {
                                 return reinterpret_cast<LRESULT>((target.*h.queryDragIcon)());
                             }};
    entry.handler.queryDragIcon = handler;
    return entry;
}

}  // namespace message_map

// Runs the first entry of map that matches; false when none does.
template <class T, std::size_t N>
bool DispatchMessageMap(T& target, const MessageMapEntry<T> (&map)[N], UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result) {
    for (const MessageMapEntry<T>& entry : map) {
        if (entry.message != message) continue;
        if (message == WM_COMMAND && (HIWORD(wParam) != entry.code || LOWORD(wParam) != entry.id)) continue;
        result = entry.crack(target, entry.handler, wParam, lParam);
        return true;
    }
    return false;
}

}  // namespace mailvane::framework
