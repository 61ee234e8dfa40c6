// Input for a paint manager without a window: the messages the window would pass to
// CPaintManagerUI::MessageHandler, fed to it directly (client coordinates). For tests of
// controls, layout, hover, clicks and notifications that need no window at all.
#pragma once
#include "platform/window/window_types.h"

namespace DuiLib {
class CPaintManagerUI;
}

namespace DuiLib::test {

// One message; its lResult is dropped. Returns whether the manager handled it.
bool Send(CPaintManagerUI& manager, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

void MouseMove(CPaintManagerUI& manager, POINT pt);
void LButtonDown(CPaintManagerUI& manager, POINT pt);
void LButtonUp(CPaintManagerUI& manager, POINT pt);
void DoubleClick(CPaintManagerUI& manager, POINT pt);  // the second press of two fast clicks, and its release
void MouseLeave(CPaintManagerUI& manager);
// A wheel notch at `pt`: positive `delta` away from the user.
void Wheel(CPaintManagerUI& manager, POINT pt, int delta);
// WM_KEYDOWN then WM_KEYUP of `vk`.
void Key(CPaintManagerUI& manager, UINT vk);
void Char(CPaintManagerUI& manager, wchar_t ch);
// WM_SIZE with the client size.
void Size(CPaintManagerUI& manager, int width, int height);
void Timer(CPaintManagerUI& manager, UINT_PTR id);
// Move, press and release at `pt`.
void ClickAt(CPaintManagerUI& manager, POINT pt);
// A click at the centre of the named control; false when there is none.
bool Click(CPaintManagerUI& manager, const wchar_t* name);
// WM_SIZE, then the layout a paint would do (the tree gets its rectangles).
void LayOut(CPaintManagerUI& manager, int width, int height);
// The centre of a control's rectangle.
POINT CentreOf(const RECT& rc);

}  // namespace DuiLib::test
