// DuiLib::CUIScreenRectSelector: the region selector. A resizable topmost frame whose
// inside is a hole in the window (clicks there reach the windows below); what shows
// through the hole is what a region recording records. A 32-pixel bar on top shows the
// hole's size and offers free sizing or a fixed ratio (4:3, 16:9, 3:4, 9:16), which
// resizing keeps. It reports every new hole to its callback, remembers its placement,
// and is inert while a recording runs (size controls hidden). UI thread only.
#pragma once
#include <cstdint>
#include <memory>

#include "core/tolka/tolka_base.h"
#include "platform/duilib/controls/option.h"
#include "ui/base/window_impl_base_impl.h"
#include "ui/base/window_placement.h"

namespace DuiLib {

class CUIScreenRectSelector : public WindowImplBaseImpl,
                              public CTolkaBase,
                              public CWindowPositionSaver<CUIScreenRectSelector>,
                              public std::enable_shared_from_this<CUIScreenRectSelector> {
public:
    class IUIScreenRectSelectorCallback {
    public:
        virtual ~IUIScreenRectSelectorCallback() = default;
        // The hole changed; `hole` in screen coordinates.
        virtual void OnRectHeightChanged(const RECT& hole) = 0;
    };

    // "CaptureRectSelectFlag" values.
    enum Ratio : uint32_t { kFree = 0, k4x3 = 1, k16x9 = 2, k3x4 = 3, k9x16 = 4 };
    // The frame around the hole.
    static constexpr int kInsetLeft = 5, kInsetRight = 5, kInsetBottom = 5, kInsetTop = 30;

    explicit CUIScreenRectSelector(std::weak_ptr<IUIScreenRectSelectorCallback> callback);
    // A window still open when its owner lets go of it keeps its placement too.
    ~CUIScreenRectSelector() override;

    const wchar_t* GetWindowClassName() const override { return L"UIScreenRectSelector"; }
    CDuiString GetSkinFile() override { return L"CaptureRectSelector.xml"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    void ApplyStrings() override;

    // Shows or hides the size label and the five ratio options; hidden, the frame takes
    // no drags (a recording runs).
    void ShowSizeControls(bool show);
    bool AreSizeControlsShown() const { return m_bSizeControlsShown; }

    // The window rectangle after fitting `window` (screen coordinates) to `ratio`, for a
    // drag of edge `edge` (a hit-test code, HTLEFT 10 … HTBOTTOMRIGHT 17) or a forced fit.
    // A width edge sets the hole's height from its width, keeping the corner opposite the
    // dragged side; the top and bottom edges set the width from the height, the top edge
    // keeping the bottom-left corner and the bottom edge the top-left one. A forced fit
    // (a ratio just chosen) sets the height of landscape ratios and the width of portrait
    // ones, keeping the top-left corner. Free size, and any other edge when not forced,
    // leave the rectangle as it is. Integer division truncates toward zero. The window
    // never becomes narrower or lower than 1 pixel (the hole may be empty).
    static RECT FitToRatio(const RECT& window, uint32_t ratio, int32_t edge, bool forced);
    // The hole of a window rectangle.
    static RECT HoleOf(const RECT& window);

private:
    // The ratio the options choose (kFree when optSel or none is selected).
    uint32_t ChosenRatio() const;
    void Fit(bool forced);
    void ApplyTooltips();
    void ShowHoleSize(const RECT& hole);

    std::weak_ptr<IUIScreenRectSelectorCallback> m_pCallback;
    CControlUI* m_pLbSize = nullptr;
    COptionUI* m_pOptSel = nullptr;
    COptionUI* m_pOpt43 = nullptr;
    COptionUI* m_pOpt169 = nullptr;
    COptionUI* m_pOpt34 = nullptr;
    COptionUI* m_pOpt916 = nullptr;
    bool m_bSizeControlsShown = true;
    int32_t m_nLastHitCode = 0;  // HTNOWHERE: names no edge until the first WM_SETCURSOR
};

}  // namespace DuiLib
