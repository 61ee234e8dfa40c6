#include "platform/duilib/test/manager_driver.h"

#include <cairo.h>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/window/window.h"

namespace DuiLib::test {
namespace {

LPARAM PointParam(POINT pt) { return MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)); }

}  // namespace

bool Send(CPaintManagerUI& manager, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    return manager.MessageHandler(message, wParam, lParam, result);
}

void MouseMove(CPaintManagerUI& manager, POINT pt) { Send(manager, WM_MOUSEMOVE, 0, PointParam(pt)); }
void LButtonDown(CPaintManagerUI& manager, POINT pt) { Send(manager, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(pt)); }
void LButtonUp(CPaintManagerUI& manager, POINT pt) { Send(manager, WM_LBUTTONUP, 0, PointParam(pt)); }

void DoubleClick(CPaintManagerUI& manager, POINT pt) {
    Send(manager, WM_LBUTTONDBLCLK, MK_LBUTTON, PointParam(pt));
    LButtonUp(manager, pt);
}

void MouseLeave(CPaintManagerUI& manager) { Send(manager, WM_MOUSELEAVE); }

void Wheel(CPaintManagerUI& manager, POINT pt, int delta) {
    // As the platform sends it: the point in screen coordinates.
    if (manager.GetPaintWindow()) ::ClientToScreen(manager.GetPaintWindow(), &pt);
    Send(manager, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))), PointParam(pt));
}

void Key(CPaintManagerUI& manager, UINT vk) {
    Send(manager, WM_KEYDOWN, vk, 1);
    Send(manager, WM_KEYUP, vk, 1);
}

void Char(CPaintManagerUI& manager, wchar_t ch) { Send(manager, WM_CHAR, static_cast<WPARAM>(ch), 1); }

void Size(CPaintManagerUI& manager, int width, int height) {
    Send(manager, WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(width), static_cast<WORD>(height)));
}

void Timer(CPaintManagerUI& manager, UINT_PTR id) { Send(manager, WM_TIMER, id, 0); }

void ClickAt(CPaintManagerUI& manager, POINT pt) {
    MouseMove(manager, pt);
    LButtonDown(manager, pt);
    LButtonUp(manager, pt);
}

void LayOut(CPaintManagerUI& manager, int width, int height) {
    Size(manager, width, height);
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    manager.RenderToSurface(scratch, RECT{0, 0, 1, 1});
    cairo_surface_destroy(scratch);
}

POINT CentreOf(const RECT& rc) { return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}; }

bool Click(CPaintManagerUI& manager, const wchar_t* name) {
    CControlUI* control = manager.FindControl(name);
    if (!control) return false;
    ClickAt(manager, CentreOf(control->GetPos()));
    return true;
}

}  // namespace DuiLib::test
