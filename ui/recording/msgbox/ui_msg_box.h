// DuiLib::CUIMsgBox: the program's modal message box in the skin's style — a title, a
// text and up to two buttons (OK, Cancel). The result is IDOK after OK and IDCANCEL after
// Cancel, the close button, Escape or a window-manager close. The box keeps its texts
// (it does not follow a language change). UI thread only.
#pragma once
#include <cstdint>
#include <memory>

#include "core/tolka/tolka_base.h"
#include "ui/base/shadow_helper.h"
#include "ui/base/window_impl_base_impl.h"

namespace DuiLib {

class CUIMsgBox : public WindowImplBaseImpl,
                  public CShadowHelper,
                  public CTolkaBase,
                  public std::enable_shared_from_this<CUIMsgBox> {
public:
    // Button bits.
    static constexpr UINT kButtonOK = 1;
    static constexpr UINT kButtonCancel = 2;

    CUIMsgBox(const CDuiString& title, const CDuiString& text, UINT buttons);
    ~CUIMsgBox() override;

    // An OK-only box owned by `owner` (a dead owner counts as none); the modal result.
    static UINT ShowMessageBox(const wchar_t* text, const wchar_t* title, HWND owner);
    // The title is string 0, the text string `textId`; `buttons` as the bits above.
    static UINT ShowMessageBoxById(std::uint32_t textId, HWND owner, UINT buttons);

    const wchar_t* GetWindowClassName() const override { return L"UIMsgBox"; }
    CDuiString GetSkinFile() override { return L"msgbox.xml"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;

private:
    // Shows a box made with the style of the program's message boxes.
    static UINT Run(const CDuiString& title, const CDuiString& text, UINT buttons, HWND owner);

    CDuiString m_sTitle;
    CDuiString m_sText;
    UINT m_uButtons;
    CControlUI* m_pBtnClose = nullptr;
    CControlUI* m_pBtnCancel = nullptr;
    CControlUI* m_pBtnOK = nullptr;
    CControlUI* m_pTitle = nullptr;
    CControlUI* m_pText = nullptr;
};

}  // namespace DuiLib
