// CScrollBarUI: the thin bar a scrolling container, list or text view shows along its
// right or bottom edge when its content is larger than its view. Drawn by code: an
// 8-pixel strip with a rounded grey thumb (darker while the pointer is over the bar), no
// arrow buttons. Dragging the thumb (the press captures the pointer) and a press on the
// track (a page towards the pointer) and the wheel move it; each user move calls the
// owner's scroll callback, which moves the content. Changes by code call nothing. Not a
// layout tag; it raises no notification.
#pragma once
#include <functional>

#include "platform/duilib/controls/control.h"

namespace DuiLib {

class CScrollBarUI : public CControlUI {
public:
    static constexpr int kThickness = 8;
    static constexpr int kDefaultLineSize = 16;
    static constexpr int kWheelLines = 3;

    explicit CScrollBarUI(bool horizontal = false);

    const wchar_t* GetClass() const override { return L"ScrollBarUI"; }
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override { return UIFLAG_SETCURSOR; }

    bool IsHorizontal() const { return m_bHorizontal; }
    // The largest position (content less view); the position is kept within 0 … range.
    int GetScrollRange() const { return m_nRange; }
    void SetScrollRange(int range);
    int GetScrollPos() const { return m_nPos; }
    void SetScrollPos(int pos);
    int GetLineSize() const { return m_nLineSize; }
    void SetLineSize(int size);
    // The visible length of the content (what a page moves, and the thumb's share).
    int GetPageSize() const { return m_nPageSize; }
    void SetPageSize(int size);
    // Called with the new position after each move the user makes.
    void SetScrollCallback(std::function<void(int)> callback) { m_onScroll = std::move(callback); }
    // Shown or hidden by its owner's layout (no relayout of the owner is asked for).
    void Show(bool show);

    // The thumb within the bar (empty when there is nothing to scroll).
    RECT GetThumbRect() const;

    void DoEvent(TEventUI& event) override;
    void PaintBkColor(HDC hDC) override;
    void PaintStatusImage(HDC hDC) override;

private:
    // Moves to `pos` (clamped) for the user and tells the owner.
    void UserScrollTo(int pos);
    // The position that puts the thumb's leading edge at `along` pixels into the bar.
    int PosForThumbAt(int along) const;
    int Along(POINT pt) const { return m_bHorizontal ? pt.x - m_rcItem.left : pt.y - m_rcItem.top; }
    int Length() const { return m_bHorizontal ? GetWidth() : GetHeight(); }

    bool m_bHorizontal;
    int m_nRange = 0, m_nPos = 0, m_nLineSize = kDefaultLineSize, m_nPageSize = 0;
    bool m_bHot = false;
    bool m_bDragging = false;
    int m_nDragGrip = 0;  // where in the thumb the press was
    std::function<void(int)> m_onScroll;
};

}  // namespace DuiLib
