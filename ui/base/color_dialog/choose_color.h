// ChooseColorW: the program's colour chooser behind the call shape the windows use.
// The caller fills a CHOOSECOLORW (owner, starting colour, its 16 custom colours, flags,
// an optional hook) and gets TRUE with rgbResult set when the user pressed OK, or FALSE
// with the structure untouched after Cancel, Escape, the close button or a failure. The
// custom colours are written back only on OK. Runs a modal loop; UI thread only.
#pragma once
#include "platform/window/window_types.h"

using COLORREF = DWORD;  // 0x00BBGGRR
// The hook: called once with WM_INITDIALOG when the dialog starts (the dialog's handle,
// wParam 0, lParam the caller's CHOOSECOLORW).
using LPCCHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

inline constexpr UINT WM_INITDIALOG = 0x0110;

inline constexpr DWORD CC_RGBINIT = 0x00000001;     // start at rgbResult (else black)
inline constexpr DWORD CC_FULLOPEN = 0x00000002;    // accepted; the custom colours always show
inline constexpr DWORD CC_ENABLEHOOK = 0x00000010;  // call lpfnHook

struct CHOOSECOLORW {
    DWORD lStructSize = sizeof(CHOOSECOLORW);
    HWND hwndOwner = 0;
    HINSTANCE hInstance = nullptr;      // unused
    COLORREF rgbResult = 0;
    COLORREF* lpCustColors = nullptr;   // 16 colours kept by the caller
    DWORD Flags = 0;
    LPARAM lCustData = 0;
    LPCCHOOKPROC lpfnHook = nullptr;
    const wchar_t* lpTemplateName = nullptr;  // unused
};

// TRUE (rgbResult and the custom colours updated) on OK; FALSE otherwise, also for a
// null structure or a wrong lStructSize.
BOOL ChooseColorW(CHOOSECOLORW* choose);
