// CEditUI: a single-line text input. The library draws it all: the text in the label's
// font and colour inside the text padding, scrolled sideways to keep the caret in view;
// the selection (accent background, white text); a one-pixel caret that blinks while
// the edit has focus; the tip text in its own colour while the text is empty. Mouse:
// a press places the caret (Shift extends), a drag selects, a double click selects the
// word. Keys: arrows, Home, End (Shift extends, Ctrl moves by word), Backspace, Delete,
// Ctrl+A, and the clipboard through Ctrl+C/X/V, Ctrl+Insert, Shift+Insert, Shift+Delete;
// selected text is also offered as the PRIMARY selection. Enter, Escape and Tab are left
// to the window.
//
// Rules: "textchanged" follows every change the user makes (a typed or committed
// character, Backspace, Delete, a paste, a cut) and nothing else: not SetText or any
// change by code, not a key that was refused or changed nothing. Read-only edits keep
// caret, selection and copy, and change nothing. Number-only edits refuse a typed
// non-digit and refuse a paste that holds any non-digit (whole, not filtered). The
// maximum length cuts typed and pasted text to the room left. Password edits show one
// password character per character and never copy or cut.
//
// The label's `align` places a text that fits (and the tip); a longer text scrolls from
// the left.
//
// Threading: the UI thread only. A paste answer arrives later from the message loop;
// it is dropped when the edit has gone or lost focus by then.
#pragma once
#include <memory>
#include <string>

#include "platform/duilib/controls/edit_text.h"
#include "platform/duilib/controls/label.h"
#include "platform/duilib/core/render/text_measure.h"

namespace DuiLib {

class CEditUI : public CLabelUI {
public:
    CEditUI();
    ~CEditUI() override;

    const wchar_t* GetClass() const override { return L"EditUI"; }
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override { return IsEnabled() ? (UIFLAG_TABSTOP | UIFLAG_SETCURSOR) : 0; }
    // Enter, Escape and Tab go on to the window (Enter raises "return").
    bool WantsKey(UINT vk) const override;

    // No notification; the caret goes to the start (the text shows from its beginning).
    void SetText(const wchar_t* text) override;
    CDuiString GetText() const override;
    void SetEnabled(bool enable = true) override;

    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return m_bReadOnly; }
    void SetNumberOnly(bool numberOnly);
    bool IsNumberOnly() const { return m_model.IsNumberOnly(); }
    void SetPasswordMode(bool password);
    bool IsPasswordMode() const { return m_bPassword; }
    void SetPasswordChar(wchar_t ch);
    wchar_t GetPasswordChar() const { return m_chPassword; }
    void SetTipValue(const wchar_t* text);
    CDuiString GetTipValue() const { return m_sTipValue; }
    void SetTipValueColor(DWORD color);
    DWORD GetTipValueColor() const { return m_dwTipValueColor; }
    // 0: no limit. Text already longer stays; typing and pasting cannot make it longer.
    void SetMaxChar(UINT max);
    UINT GetMaxChar() const { return static_cast<UINT>(m_model.MaxLength()); }

    // Selection by character index: `end` < 0 means the end of the text; `start` < 0
    // removes the selection (the caret stays). The caret goes to `end`.
    void SetSel(long start, long end);
    void SetSelAll();
    void GetSel(long& start, long& end) const;
    CDuiString GetSelText() const;
    long GetCaretIndex() const { return static_cast<long>(m_model.Caret()); }

    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void DoEvent(TEventUI& event) override;
    void PaintText(HDC hDC) override;

private:
    bool IsEditable() const { return IsEnabled() && !m_bReadOnly; }
    // What is shown: the text, or one password character per character; line breaks
    // as spaces.
    std::wstring DisplayText() const;
    const TTextLineMetrics& Metrics();
    // Keeps the caret inside the text rectangle by moving m_scrollX.
    void UpdateScroll();
    // Where caret position 0 lies now: by the alignment while the text fits, else
    // scrolled.
    int TextOriginX();
    size_t IndexAtPoint(POINT pt);

    void OnKeyDown(const TEventUI& event);
    void OnChar(const TEventUI& event);
    void OnButtonDown(const TEventUI& event);
    void OnFocus(bool focused);
    // A caret move or selection change: caret shown, scrolled into view, repainted.
    void CaretMoved();
    // A user change: the caret moved, then "textchanged" (last: its handlers may do
    // anything, also drop this edit's window).
    void UserChanged();
    // User text from typing, a paste or an input method: one line, under the rules.
    bool InsertUserText(std::wstring text);
    void Copy();
    void Cut();
    void Paste();
    void OfferPrimary();
    // The blink timer: restarted so the caret shows at once after a key or click.
    void RestartBlink();
    void StopBlink();
    void ReportCaret();

    CEditText m_model;
    bool m_bReadOnly = false, m_bPassword = false;
    wchar_t m_chPassword = 0x25CF;
    CDuiString m_sTipValue;
    DWORD m_dwTipValueColor = 0xFF999999;
    DWORD m_dwSelectBkColor = 0xFF2B8CF4, m_dwSelectTextColor = 0xFFFFFFFF;

    bool m_bCaretOn = false;   // the blink phase while focused
    bool m_bDragging = false;  // a press placed the caret; moves extend the selection
    int m_scrollX = 0;         // pixels of the text scrolled out on the left

    TTextLineMetrics m_metrics;
    std::wstring m_measuredText;
    TFontInfo m_measuredFont;
    bool m_bMeasured = false;

    // Cleared when the edit dies: late paste answers and code after a notification
    // check it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace DuiLib
