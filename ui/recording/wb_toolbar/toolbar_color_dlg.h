// DuiLib::CToolbarColorDlg: the whiteboard toolbar's hook on the colour chooser. When the
// dialog starts it centres it over its owner (the toolbar), kept inside the work area of
// the owner's monitor: the toolbar sits at the screen's edge more often than not, and a
// dialog centred over it would hang half off the screen. UI thread only.
#pragma once
#include "ui/base/color_dialog/choose_color.h"

namespace DuiLib {

class CToolbarColorDlg {
public:
    // The CHOOSECOLORW hook: on WM_INITDIALOG (lParam the caller's CHOOSECOLORW) centres
    // `dialog` over the owner it names; 0 in every case.
    static UINT_PTR HookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    // The top-left that centres a `size` window over `owner`, then moves it into `work`
    // (its top-left edge wins when it is larger than `work`).
    static POINT CentredOver(const RECT& owner, SIZE size, const RECT& work);
};

}  // namespace DuiLib
