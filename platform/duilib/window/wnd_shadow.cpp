#include "platform/duilib/window/wnd_shadow.h"

#include "platform/duilib/core/string/dui_log.h"
#include "platform/window/window.h"

namespace DuiLib {

namespace {
HINSTANCE gInstance = nullptr;
}  // namespace

bool CWndShadow::Initialize(HINSTANCE instance) {
    gInstance = instance;
    return true;
}

bool CWndShadow::SetImage(const wchar_t* image, RECT corner, RECT holeOffset) {
    if (!image || !*image) return false;
    m_sImage = image;
    m_rcCorner = corner;
    m_rcHoleOffset = holeOffset;
    return true;
}

bool CWndShadow::Create(HWND target) {
    if (!::IsWindow(target)) return false;
    if (!zovi::platform::HasCompositor()) {
        LogOnce(L"shadow-no-compositor", L"CWndShadow: no compositing manager, windows have no drop shadow");
        return false;
    }
    LogOnce(L"shadow-not-drawn", L"CWndShadow: the shadow window is not drawn yet, windows have no drop shadow");
    return false;
}

}  // namespace DuiLib
