#include "ui/base/color_dialog/choose_color.h"

#include <algorithm>
#include <memory>

#include "ui/base/color_dialog/ui_color_dialog.h"

BOOL ChooseColorW(CHOOSECOLORW* choose) {
    if (!choose || choose->lStructSize != sizeof(CHOOSECOLORW)) return FALSE;
    const COLORREF initial = (choose->Flags & CC_RGBINIT) ? choose->rgbResult : 0;
    auto dialog = std::make_shared<DuiLib::CUIColorDialog>(initial, choose->lpCustColors);
    // Created hidden, so a hook that moves the dialog does it before the first map.
    const HWND hwnd = dialog->Create(choose->hwndOwner, L"", DuiLib::UI_WNDSTYLE_DIALOG & ~WS_VISIBLE,
                                     WS_EX_TOOLWINDOW);
    if (!hwnd) return FALSE;
    if ((choose->Flags & CC_ENABLEHOOK) && choose->lpfnHook) {
        choose->lpfnHook(hwnd, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(choose));
    }
    if (dialog->ShowModal() != IDOK) return FALSE;
    choose->rgbResult = dialog->GetColor();
    if (choose->lpCustColors) {
        std::copy(dialog->GetCustomColors().begin(), dialog->GetCustomColors().end(), choose->lpCustColors);
    }
    return TRUE;
}
