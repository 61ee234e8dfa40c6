// CButtonUI: a label that raises "click" when the left button is released inside it
// after a press on it, when Space is pressed while it has focus, and on Activate().
// Disabled or hidden buttons raise nothing; a release outside and Enter never click.
// State images and colours: disabled, pushed (pressed with the pointer over it), hot,
// normal; a missing state image falls back to the normal image, a missing disabled image
// to the normal image at half opacity.
#pragma once
#include "platform/duilib/controls/label.h"

namespace DuiLib {

// Button states (m_uButtonState).
inline constexpr UINT UISTATE_HOT = 0x01;
inline constexpr UINT UISTATE_PUSHED = 0x02;
inline constexpr UINT UISTATE_CAPTURED = 0x04;
inline constexpr UINT UISTATE_SELECTED = 0x08;

class CButtonUI : public CLabelUI {
public:
    CButtonUI();

    const wchar_t* GetClass() const override { return L"ButtonUI"; }
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override { return IsEnabled() ? UIFLAG_TABSTOP : 0; }

    // "click" when visible and enabled; false (and nothing) otherwise.
    bool Activate() override;
    void SetEnabled(bool enable = true) override;
    UINT GetButtonState() const { return m_uButtonState; }

    void SetNormalImage(const wchar_t* image);
    void SetHotImage(const wchar_t* image);
    void SetPushedImage(const wchar_t* image);
    void SetDisabledImage(const wchar_t* image);
    void SetHotBkColor(DWORD color);
    void SetPushedBkColor(DWORD color);
    void SetHotTextColor(DWORD color);
    void SetPushedTextColor(DWORD color);

    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void DoEvent(TEventUI& event) override;
    void PaintBkColor(HDC hDC) override;
    void PaintStatusImage(HDC hDC) override;

protected:
    DWORD CurrentTextColor() const override;
    // The button's own state image rules (shared with the option when not selected).
    void PaintButtonImage(HDC hDC);
    void SetState(UINT state);

    UINT m_uButtonState = 0;
    CDuiString m_sNormalImage, m_sHotImage, m_sPushedImage, m_sDisabledImage;
    DWORD m_dwHotBkColor = 0, m_dwPushedBkColor = 0;
    DWORD m_dwHotTextColor = 0, m_dwPushedTextColor = 0;
};

}  // namespace DuiLib
