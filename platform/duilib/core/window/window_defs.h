// Values the window base and the windows share: messages, dialog results, the
// skin's resource type and id, and the window styles the windows pass (numeric Win32
// values, so the windows' code reads as written).
#pragma once
#include "platform/window/window.h"

// Messages the window base dispatches to its handlers that the platform never sends
// itself (the windows send or post some of them).
inline constexpr UINT WM_GETMINMAXINFO = 0x0024;
inline constexpr UINT WM_NCCALCSIZE = 0x0083;
inline constexpr UINT WM_NCPAINT = 0x0085;
inline constexpr UINT WM_NCACTIVATE = 0x0086;
inline constexpr UINT WM_MOUSEHOVER = 0x02A1;

// Dialog results.
inline constexpr UINT IDOK = 1;
inline constexpr UINT IDCANCEL = 2;

namespace DuiLib {

// The skin is a zip archive held as a resource of the main program.
inline constexpr UINT UILIB_ZIPRESOURCE = 4;
inline constexpr UINT kSkinResourceId = 130;

// Styles the windows pass: pop-up dialogs with a caption (dragged through our hit test),
// the same with a thick frame (edge resizing), child windows.
inline constexpr DWORD UI_WNDSTYLE_DIALOG = 0x96C80000;   // POPUP|VISIBLE|CLIP…|CAPTION|SYSMENU
inline constexpr DWORD UI_WNDSTYLE_FRAME = 0x96CC0000;    // the same plus THICKFRAME
inline constexpr DWORD UI_WNDSTYLE_CHILD = 0x46000000;    // CHILD|CLIPSIBLINGS|CLIPCHILDREN

// The library's own messages (at the top of the WM_USER range, which the windows use
// from its bottom).
inline constexpr UINT WM_DUI_DESTROY_ORPHAN = 0x7FF0;  // destroy a window whose object died

}  // namespace DuiLib
