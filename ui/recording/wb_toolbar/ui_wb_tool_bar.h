// DuiLib::CUIWBToolBar: the whiteboard's narrow vertical toolbar ("UIWBToolBar",
// layout "WBToolBar.xml"): six paint-mode options, exit, the colour button, the
// line-width button, revoke and clear. It drives the whiteboard only through a weakly
// held IWBToolBar, posts an analytics event for every action, keeps the chosen colour
// and line width in the options "wb_color" and "wb_linesize", and forwards the
// whiteboard's shortcut commands (table 128) that reach it to the whiteboard window.
//
// The whiteboard makes it with shared ownership, creates it as a visible pop-up tool
// window that it owns, and calls SelectPaintMode and the On… handlers for its own
// shortcut commands. When the toolbar's window is finally gone it calls the
// whiteboard's Exit, so closing the toolbar closes the whiteboard. UI thread only.
#pragma once
#include <cstdint>
#include <memory>

#include "core/tolka/tolka_base.h"
#include "ui/base/shadow_helper.h"
#include "ui/base/window_impl_base_impl.h"
#include "ui/recording/wb_toolbar/color_sel_button.h"
#include "ui/recording/wb_toolbar/wb_accelerators.h"
#include "ui/recording/wb_toolbar/wb_tool_bar_interface.h"

namespace DuiLib {

class CUILineWidthSelectDlg;

class CUIWBToolBar : public WindowImplBaseImpl,
                     public CShadowHelper,
                     public CTolkaBase,
                     public ILineWidthCallback,
                     public ITranslateAccelerator,
                     public std::enable_shared_from_this<CUIWBToolBar> {
public:
    static constexpr int kRightGap = 10;  // from the whiteboard's right edge
    static constexpr UINT kCloseCode = 1;

    CUIWBToolBar(HWND whiteBoard, std::weak_ptr<IWBToolBar> board);
    ~CUIWBToolBar() override;

    const wchar_t* GetWindowClassName() const override { return L"UIWBToolBar"; }
    CDuiString GetSkinFile() override { return L"WBToolBar.xml"; }
    CControlUI* CreateControl(const wchar_t* className) override;
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    void OnFinalMessage(HWND hWnd) override;
    // The tooltips again after a language change.
    void ApplyStrings() override;

    // Handlers the whiteboard calls for its shortcut commands.
    // Selects the first option whose tag is `mode`, with its change notification.
    void SelectPaintMode(int32_t mode);
    void OnExit();
    void OnColorSelect();
    void OnLineWidth();
    void OnRevoke();
    void OnClear();

    // ILineWidthCallback: the whiteboard's width for `index`; remembered in "wb_linesize".
    void OnLineWidthSelected(int index) override;
    // ITranslateAccelerator: through table 128.
    LRESULT TranslateAccelerator(MSG* pMsg) override;

    // Width by picker index: 0 → 2.0, 1 → 5.0, 2 → 10.0, other → 1.0.
    static float LineWidthForIndex(int index);
    // The ARGB colour of a chosen COLORREF (0x00BBGGRR): 0xFF000000 + r·65536 + g·256 + b.
    static uint32_t ArgbFromColorRef(DWORD colorRef);
    // The COLORREF the colour dialog starts from for an ARGB colour.
    static DWORD ColorRefFromArgb(uint32_t argb);
    // The toolbar's top-left for its size next to a whiteboard rectangle.
    static POINT PlaceBeside(const RECT& whiteBoard, SIZE toolbar);
    // The line-width picker's top-left: level with the button (screen top-left `button`),
    // beside the toolbar on its left (on its right when the left has no room), kept
    // inside the work area, so it never covers the toolbar's own buttons.
    static POINT PlacePicker(POINT button, const RECT& toolbar, SIZE picker, const RECT& work);

    CColorSelButton* GetColorButton() const { return m_pColorButton; }
    std::shared_ptr<CUILineWidthSelectDlg> GetLineWidthPicker() const { return m_pLineWidthDlg; }

private:
    void ApplyToolTable();
    void PlaceNextToWhiteBoard();
    void OnModeChange(CControlUI* sender);

    CColorSelButton* m_pColorButton = nullptr;  // owned by the layout
    HWBACCEL m_hAccel = nullptr;
    std::weak_ptr<IWBToolBar> m_pWhiteBoard;
    HWND m_hWhiteBoard;
    std::shared_ptr<CUILineWidthSelectDlg> m_pLineWidthDlg;
};

}  // namespace DuiLib
