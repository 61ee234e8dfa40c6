// CRichEditUI: a read-only view of plain multi-line text. The text wraps to the view's
// width (at words, inside long words, between CJK characters) and breaks at "\r\n" and
// "\n"; with `vscrollbar="true"` a vertical scroll bar appears when the text is taller
// than the view, and the wheel and the bar scroll it. It takes the container's inset,
// border and background. No editing, no selection; it raises nothing.
#pragma once
#include "platform/duilib/controls/container.h"

namespace DuiLib {

class CRichEditUI : public CContainerUI {
public:
    CRichEditUI();

    const wchar_t* GetClass() const override { return L"RichEditUI"; }
    // "RichEdit" and "Control" (it holds text, not children).
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override { return UIFLAG_SETCURSOR; }

    // New text starts at the top.
    void SetText(const wchar_t* text) override;
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetTextColor(DWORD color);
    int GetFont() const { return m_iFont; }
    void SetFont(int id);
    // Always read-only; the flag is kept for the layouts that state it.
    bool IsReadOnly() const { return true; }

    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

protected:
    SIZE PlaceItems(const std::vector<CControlUI*>& items, const RECT& area, std::vector<RECT>* rects) override;
    void PaintContent(HDC hDC, const RECT& area) override;

private:
    DWORD m_dwTextColor = 0xFF000000;
    int m_iFont = -1;
};

}  // namespace DuiLib
