// Events, notifications and the observer interfaces of the library.
#pragma once
#include "platform/duilib/core/string/dui_string.h"
#include "platform/window/window_types.h"

namespace DuiLib {

class CControlUI;

// Event types. The windows compare 10, 11 and 23; every mouse event lies strictly
// between UIEVENT__MOUSEBEGIN and UIEVENT__MOUSEEND.
enum EVENTTYPE_UI {
    UIEVENT__FIRST = 1,
    UIEVENT__KEYBEGIN,
    UIEVENT_KEYDOWN,
    UIEVENT_KEYUP,
    UIEVENT_CHAR,
    UIEVENT_SYSKEY,
    UIEVENT__KEYEND,
    UIEVENT__MOUSEBEGIN,
    UIEVENT_MOUSEMOVE,
    UIEVENT_MOUSELEAVE,   // 10
    UIEVENT_MOUSEENTER,   // 11
    UIEVENT_MOUSEHOVER,
    UIEVENT_BUTTONDOWN,
    UIEVENT_BUTTONUP,
    UIEVENT_RBUTTONDOWN,
    UIEVENT_DBLCLICK,
    UIEVENT_CONTEXTMENU,
    UIEVENT_SCROLLWHEEL,
    UIEVENT__MOUSEEND,
    UIEVENT_KILLFOCUS,
    UIEVENT_SETFOCUS,
    UIEVENT_WINDOWSIZE,
    UIEVENT_SETCURSOR,    // 23
    UIEVENT_TIMER,
    UIEVENT__LAST,
};
static_assert(UIEVENT_MOUSELEAVE == 10 && UIEVENT_MOUSEENTER == 11 && UIEVENT_SETCURSOR == 23);

struct TEventUI {
    int Type = 0;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse{};
    wchar_t chKey = 0;
    WORD wKeyState = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Control flags (GetControlFlags).
inline constexpr UINT UIFLAG_TABSTOP = 0x1;
inline constexpr UINT UIFLAG_SETCURSOR = 0x2;

// Notification types.
inline constexpr const wchar_t* DUI_MSGTYPE_CLICK = L"click";
inline constexpr const wchar_t* DUI_MSGTYPE_SELECTCHANGED = L"selectchanged";
inline constexpr const wchar_t* DUI_MSGTYPE_ITEMSELECT = L"itemselect";
inline constexpr const wchar_t* DUI_MSGTYPE_TEXTCHANGED = L"textchanged";
inline constexpr const wchar_t* DUI_MSGTYPE_RETURN = L"return";
inline constexpr const wchar_t* DUI_MSGTYPE_VALUECHANGED = L"valuechanged";
inline constexpr const wchar_t* DUI_MSGTYPE_SCROLL = L"scroll";  // never raised by the library

struct TNotifyUI {
    CDuiString sType;
    CDuiString sVirtualWnd;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse{};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class INotifyUI {
public:
    virtual void Notify(TNotifyUI& msg) = 0;

protected:
    virtual ~INotifyUI() = default;
};

class IMessageFilterUI {
public:
    virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;

protected:
    virtual ~IMessageFilterUI() = default;
};

class ITranslateAccelerator {
public:
    // S_OK (0) consumes the key.
    virtual LRESULT TranslateAccelerator(MSG* pMsg) = 0;

protected:
    virtual ~ITranslateAccelerator() = default;
};

}  // namespace DuiLib
