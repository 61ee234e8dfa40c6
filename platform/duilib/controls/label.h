// CLabelUI: a control with text drawn in one font and colour, aligned inside its
// rectangle less the text padding. It raises nothing, also not when clicked (clickable
// text is a button styled as text). Base of the windows' rulers and hotkey control.
#pragma once
#include "platform/duilib/controls/control.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
public:
    CLabelUI();

    const wchar_t* GetClass() const override { return L"LabelUI"; }
    void* GetInterface(const wchar_t* name) override;

    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetTextColor(DWORD color);
    // 0 means: the text colour at half alpha.
    DWORD GetDisabledTextColor() const { return m_dwDisabledTextColor; }
    void SetDisabledTextColor(DWORD color);
    int GetFont() const { return m_iFont; }
    void SetFont(int id);
    RECT GetTextPadding() const { return m_rcTextPadding; }
    void SetTextPadding(RECT rc);
    // DT_ flags (render_engine.h): alignment, single line or word break, end ellipsis.
    UINT GetTextStyle() const { return m_uTextStyle; }
    void SetTextStyle(UINT style);

    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintText(HDC hDC) override;

protected:
    // The colour the text is drawn in now; derived controls add their states.
    virtual DWORD CurrentTextColor() const;
    // The rectangle the text is drawn in (the control less the text padding).
    RECT TextRect() const;

    DWORD m_dwTextColor = 0xFF000000;
    DWORD m_dwDisabledTextColor = 0;
    int m_iFont = -1;
    RECT m_rcTextPadding{};
    UINT m_uTextStyle;
};

}  // namespace DuiLib
