// CSliderUI: a horizontal slider over the progress range. A press on the track moves the
// value there; a press on the thumb takes it without a jump; dragging (the pressed
// control has the pointer) follows the pointer. "valuechanged" (wParam 0) comes once for
// the press, once for every value change while dragging, and once for the release (also
// when the value did not change); Left and Right step by one while focused. Values,
// ranges and the clamping they cause, set by code, raise nothing (the player sets the
// value many times a second).
// Look: `bkimage` is the track and `foreimage` the filled span (cut at the thumb); without
// a track image the library draws a 4-pixel rounded track with an accent filled span.
// `thumbimage`, `thumbhotimage`, `thumbpushedimage` are the thumb by state; without one
// the library draws a round white thumb with a grey rim (accent when hot or pushed).
#pragma once
#include "platform/duilib/controls/progress.h"

namespace DuiLib {

class CSliderUI : public CProgressUI {
public:
    CSliderUI();

    const wchar_t* GetClass() const override { return L"SliderUI"; }
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override { return IsEnabled() ? UIFLAG_TABSTOP : 0; }
    void SetEnabled(bool enable = true) override;

    SIZE GetThumbSize() const { return m_szThumb; }
    void SetThumbSize(SIZE size);
    void SetThumbImage(const wchar_t* image);
    void SetThumbHotImage(const wchar_t* image);
    void SetThumbPushedImage(const wchar_t* image);
    // The thumb's rectangle at the current value.
    RECT GetThumbRect() const;
    // The value a pointer at client x stands for (the thumb centred there), clamped.
    int ValueAtX(LONG x) const;
    bool IsDragging() const { return m_bDragging; }

    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void DoEvent(TEventUI& event) override;
    // The steps paint, in order: the track, the filled span, the thumb; no text.
    void PaintBkImage(HDC hDC) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintForeImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

private:
    // The x of the thumb's centre at `value`.
    LONG ThumbCentreX(int value) const;
    void SetHot(bool hot);
    void PaintDrawnThumb(HDC hDC, const RECT& thumb);

    SIZE m_szThumb{16, 16};
    CDuiString m_sThumbImage, m_sThumbHotImage, m_sThumbPushedImage;
    bool m_bHot = false;       // the pointer is over the thumb
    bool m_bDragging = false;  // pressed, until the release
    LONG m_iDragOffset = 0;    // pointer x less the thumb centre at the press
};

}  // namespace DuiLib
