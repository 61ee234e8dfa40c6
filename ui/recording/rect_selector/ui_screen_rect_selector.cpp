#include "ui/recording/rect_selector/ui_screen_rect_selector.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string_view>
#include <utility>

#include "core/global/global.h"
#include "platform/window/region.h"
#include "platform/window/window_state.h"
#include "tolka.h"

namespace DuiLib {

namespace {

constexpr UINT kProgramIcon = 107;
constexpr std::uint32_t kKeepRatioTipId = 34;  // "... (%s) ..."
constexpr std::uint32_t kFreeSizeTipId = 35;

constexpr size_t PlacementIndexOf(std::wstring_view name) {
    size_t i = 0;
    while (i < std::size(kPlacementNames) && name != kPlacementNames[i]) ++i;
    return i;
}
constexpr size_t kSelectorPlacement = PlacementIndexOf(L"CaptureRectSelectorWindow");
static_assert(kSelectorPlacement < std::size(kPlacementNames));

bool IsWidthEdge(int32_t edge) {
    return edge == HTLEFT || edge == HTRIGHT || edge == HTTOPLEFT || edge == HTTOPRIGHT || edge == HTBOTTOMLEFT ||
           edge == HTBOTTOMRIGHT;
}

bool IsHeightEdge(int32_t edge) { return edge == HTTOP || edge == HTBOTTOM; }

// The hole's w:h of each fixed ratio.
struct RatioParts {
    LONG w, h;
};
RatioParts PartsOf(uint32_t ratio) {
    switch (ratio) {
        case CUIScreenRectSelector::k4x3: return {4, 3};
        case CUIScreenRectSelector::k16x9: return {16, 9};
        case CUIScreenRectSelector::k3x4: return {3, 4};
        case CUIScreenRectSelector::k9x16: return {9, 16};
        default: return {0, 0};
    }
}

constexpr LONG kFrameWidth = CUIScreenRectSelector::kInsetLeft + CUIScreenRectSelector::kInsetRight;
constexpr LONG kFrameHeight = CUIScreenRectSelector::kInsetTop + CUIScreenRectSelector::kInsetBottom;

}  // namespace

CUIScreenRectSelector::CUIScreenRectSelector(std::weak_ptr<IUIScreenRectSelectorCallback> callback)
    : CWindowPositionSaver<CUIScreenRectSelector>(&GetGlobal().placements[kSelectorPlacement]),
      m_pCallback(std::move(callback)) {}

CUIScreenRectSelector::~CUIScreenRectSelector() {
    // The base destroys an open window without telling this object (no OnDestroy then).
    if (m_hWnd && ::IsWindow(m_hWnd)) SavePosition();
}

RECT CUIScreenRectSelector::HoleOf(const RECT& window) {
    return RECT{window.left + kInsetLeft, window.top + kInsetTop, window.right - kInsetRight,
                window.bottom - kInsetBottom};
}

RECT CUIScreenRectSelector::FitToRatio(const RECT& window, uint32_t ratio, int32_t edge, bool forced) {
    const RatioParts parts = PartsOf(ratio);
    if (parts.w == 0) return window;
    LONG w = window.right - window.left - kFrameWidth;
    LONG h = window.bottom - window.top - kFrameHeight;
    // Landscape ratios derive the height from the width when forced; portrait ones the
    // width from the height.
    const bool landscape = parts.w > parts.h;
    if (IsWidthEdge(edge) || (forced && landscape)) {
        h = w * parts.h / parts.w;
    } else if (forced || IsHeightEdge(edge)) {
        w = h * parts.w / parts.h;
    } else {
        return window;
    }
    const LONG width = std::max<LONG>(w + kFrameWidth, 1);
    const LONG height = std::max<LONG>(h + kFrameHeight, 1);
    RECT fitted = window;
    const bool keepRight = !forced && (edge == HTLEFT || edge == HTTOPLEFT || edge == HTBOTTOMLEFT);
    const bool keepBottom = !forced && (keepRight || edge == HTTOP);
    if (keepRight) {
        fitted.left = window.right - width;
    } else {
        fitted.right = window.left + width;
    }
    if (keepBottom) {
        fitted.top = window.bottom - height;
    } else {
        fitted.bottom = window.top + height;
    }
    return fitted;
}

void CUIScreenRectSelector::InitWindow() {
    SetIcon(kProgramIcon);
    auto option = [this](const wchar_t* name) {
        CControlUI* control = m_pm.FindControl(name);
        return control ? static_cast<COptionUI*>(control->GetInterface(L"Option")) : nullptr;
    };
    m_pLbSize = m_pm.FindControl(L"lbSize");
    m_pOptSel = option(L"optSel");
    m_pOpt43 = option(L"opt43");
    m_pOpt169 = option(L"opt169");
    m_pOpt34 = option(L"opt34");
    m_pOpt916 = option(L"opt916");
    RECT rc{};
    if (::GetWindowRect(m_hWnd, &rc)) ShowHoleSize(HoleOf(rc));
    ApplyTooltips();

    COptionUI* const byFlag[] = {m_pOptSel, m_pOpt43, m_pOpt169, m_pOpt34, m_pOpt916};
    const DWORD flag = GetGlobal().captureRectSelectFlag;
    if (flag < std::size(byFlag) && byFlag[flag]) byFlag[flag]->Selected(true, true);

    RestorePosition();
    RegisterTolkaObject(this);
}

void CUIScreenRectSelector::ApplyStrings() {
    CTolkaBase::ApplyStrings();
    ApplyTooltips();
}

void CUIScreenRectSelector::ApplyTooltips() {
    if (m_pOptSel) m_pOptSel->SetToolTip(TolkaGetString(kFreeSizeTipId));
    const std::pair<COptionUI*, const wchar_t*> ratios[] = {
        {m_pOpt43, L"4:3"}, {m_pOpt169, L"16:9"}, {m_pOpt34, L"3:4"}, {m_pOpt916, L"9:16"}};
    for (const auto& [control, ratio] : ratios) {
        if (!control) continue;
        CDuiString tip;
        tip.Format(TolkaGetString(kKeepRatioTipId), ratio);
        control->SetToolTip(tip);
    }
}

void CUIScreenRectSelector::ShowHoleSize(const RECT& hole) {
    if (!m_pLbSize) return;
    CDuiString text;
    text.Format(L"%d x %d", static_cast<int>(hole.right - hole.left), static_cast<int>(hole.bottom - hole.top));
    m_pLbSize->SetText(text);
}

void CUIScreenRectSelector::ShowSizeControls(bool show) {
    m_bSizeControlsShown = show;
    CControlUI* const controls[] = {m_pLbSize, m_pOptSel, m_pOpt43, m_pOpt169, m_pOpt34, m_pOpt916};
    for (CControlUI* control : controls) {
        if (control) control->SetVisible(show);
    }
}

void CUIScreenRectSelector::Notify(TNotifyUI& msg) {
    if (msg.sType != DUI_MSGTYPE_SELECTCHANGED) {
        WindowImplBaseImpl::Notify(msg);
        return;
    }
    const std::pair<COptionUI*, Ratio> flags[] = {
        {m_pOptSel, kFree}, {m_pOpt43, k4x3}, {m_pOpt169, k16x9}, {m_pOpt34, k3x4}, {m_pOpt916, k9x16}};
    for (const auto& [option, flag] : flags) {
        if (option && msg.pSender == option) GetGlobal().captureRectSelectFlag = flag;
    }
    Fit(true);
}

LRESULT CUIScreenRectSelector::HandleCustomMessage(UINT uMsg, WPARAM, LPARAM lParam, BOOL&) {
    if (uMsg == WM_SETCURSOR) m_nLastHitCode = LOWORD(lParam);
    return 0;
}

LRESULT CUIScreenRectSelector::OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (!m_bSizeControlsShown) {
        bHandled = TRUE;
        return HTNOWHERE;  // inert while a recording runs
    }
    return WindowImplBaseImpl::OnNcHitTest(uMsg, wParam, lParam, bHandled);
}

LRESULT CUIScreenRectSelector::OnSize(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    if (!::IsIconic(m_hWnd)) {
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        HRGN frame = ::CreateRectRgn(client.left, client.top, client.right, client.bottom);
        HRGN hole = ::CreateRectRgn(client.left + kInsetLeft, client.top + kInsetTop, client.right - kInsetRight,
                                    client.bottom - kInsetBottom);
        if (frame && hole && ::CombineRgn(frame, frame, hole, RGN_DIFF) != RGN_ERROR &&
            ::SetWindowRgn(m_hWnd, frame, TRUE)) {
            frame = nullptr;  // the window's now
        }
        if (frame) ::DeleteObject(frame);
        if (hole) ::DeleteObject(hole);
        // The whole frame drags the window.
        m_pm.SetCaptionRect(RECT{0, 0, 0, client.bottom - client.top});
    }
    RECT rc{};
    if (!::GetWindowRect(m_hWnd, &rc)) return 0;
    const RECT hole = HoleOf(rc);
    ShowHoleSize(hole);
    if (const auto callback = m_pCallback.lock()) callback->OnRectHeightChanged(hole);
    Fit(false);
    return 0;
}

LRESULT CUIScreenRectSelector::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    SavePosition();
    bHandled = FALSE;
    return 0;
}

uint32_t CUIScreenRectSelector::ChosenRatio() const {
    if (m_pOptSel && m_pOptSel->IsSelected()) return kFree;
    const std::pair<COptionUI*, Ratio> ratios[] = {
        {m_pOpt43, k4x3}, {m_pOpt169, k16x9}, {m_pOpt34, k3x4}, {m_pOpt916, k9x16}};
    for (const auto& [option, ratio] : ratios) {
        if (option && option->IsSelected()) return ratio;
    }
    return kFree;
}

void CUIScreenRectSelector::Fit(bool forced) {
    const uint32_t ratio = ChosenRatio();
    RECT rc{};
    if (ratio == kFree || !m_hWnd || !::GetWindowRect(m_hWnd, &rc)) return;
    const RECT fitted = FitToRatio(rc, ratio, m_nLastHitCode, forced);
    const bool same = fitted.left == rc.left && fitted.top == rc.top && fitted.right == rc.right &&
                      fitted.bottom == rc.bottom;
    if (same) return;
    // The WM_SIZE this sends fits again and finds nothing left to change.
    ::MoveWindow(m_hWnd, fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top, TRUE);
}

}  // namespace DuiLib
