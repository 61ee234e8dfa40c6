#include "platform/duilib/controls/edit.h"

#include <algorithm>
#include <cwchar>
#include <optional>

#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/render/render_engine.h"
#include "platform/window/clipboard.h"
#include "platform/window/text_input.h"

namespace DuiLib {
namespace {

constexpr UINT kCaretTimer = 1;
constexpr UINT kCaretBlinkMs = 530;
constexpr WORD kAltState = 0x20;  // the paint manager's Alt bit in wKeyState
constexpr UINT kTextStyle = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX;

bool SameFont(const TFontInfo& a, const TFontInfo& b) {
    return a.face == b.face && a.size == b.size && a.bold == b.bold && a.italic == b.italic &&
           a.underline == b.underline && a.strikeout == b.strikeout;
}

}  // namespace

CEditUI::CEditUI() {
    // The default look: a white box with a grey one-pixel border that turns accent with
    // focus; layouts may change any of it (the account dialogs draw an underline).
    m_uTextStyle = kTextStyle;
    m_dwBackColor = 0xFFFFFFFF;
    m_dwBorderColor = 0xFFA7A6AA;
    m_dwFocusBorderColor = 0xFF2B8CF4;
    m_rcBorderSize = RECT{1, 1, 1, 1};
    m_dwTextColor = 0xFF333333;
    m_rcTextPadding = RECT{4, 0, 4, 0};
}

CEditUI::~CEditUI() {
    *m_alive = false;
    if (m_bFocused && m_pManager && m_pManager->GetPaintWindow()) {
        zovi::platform::SetTextInputFocus(m_pManager->GetPaintWindow(), false);
    }
}

void* CEditUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"Edit") == 0) return this;
    return CLabelUI::GetInterface(name);
}

bool CEditUI::WantsKey(UINT vk) const { return vk != VK_RETURN && vk != VK_ESCAPE && vk != VK_TAB; }

void CEditUI::SetText(const wchar_t* text) {
    const std::wstring value = text ? text : L"";
    if (value == m_model.Text()) return;
    m_model.SetText(value);
    // Read from the start, as a path or a name set by code is.
    m_model.MoveHome(false);
    m_scrollX = 0;
    m_sText = value;
    Invalidate();
    ReportCaret();
}

CDuiString CEditUI::GetText() const { return CDuiString(m_model.Text()); }

void CEditUI::SetEnabled(bool enable) {
    if (!enable) {
        StopBlink();
        m_bDragging = false;
        if (m_bFocused && m_pManager && m_pManager->GetPaintWindow()) {
            zovi::platform::SetTextInputFocus(m_pManager->GetPaintWindow(), false);
        }
    }
    CLabelUI::SetEnabled(enable);
}

void CEditUI::SetReadOnly(bool readOnly) {
    m_bReadOnly = readOnly;
    if (m_bFocused) OnFocus(true);  // the input method follows
    Invalidate();
}

void CEditUI::SetNumberOnly(bool numberOnly) { m_model.SetNumberOnly(numberOnly); }

void CEditUI::SetPasswordMode(bool password) {
    m_bPassword = password;
    if (m_bFocused) OnFocus(true);
    Invalidate();
}

void CEditUI::SetPasswordChar(wchar_t ch) {
    if (ch == 0) return;
    m_chPassword = ch;
    Invalidate();
}

void CEditUI::SetTipValue(const wchar_t* text) {
    m_sTipValue = text;
    Invalidate();
}

void CEditUI::SetTipValueColor(DWORD color) {
    m_dwTipValueColor = color;
    Invalidate();
}

void CEditUI::SetMaxChar(UINT max) { m_model.SetMaxLength(max); }

void CEditUI::SetSel(long start, long end) {
    const size_t length = m_model.Length();
    const size_t caret = end < 0 ? length : std::min(static_cast<size_t>(end), length);
    if (start < 0) {
        m_model.MoveTo(m_model.Caret(), false);
    } else {
        m_model.Select(static_cast<size_t>(start), caret);
    }
    Invalidate();
    ReportCaret();
}

void CEditUI::SetSelAll() { SetSel(0, -1); }

void CEditUI::GetSel(long& start, long& end) const {
    start = static_cast<long>(m_model.SelStart());
    end = static_cast<long>(m_model.SelEnd());
}

CDuiString CEditUI::GetSelText() const { return CDuiString(m_model.SelectedText()); }

void CEditUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    const std::wstring n = name;
    bool flag = false;
    int number = 0;
    DWORD color = 0;
    if (n == L"readonly" && ParseBool(value, &flag)) SetReadOnly(flag);
    else if (n == L"numberonly" && ParseBool(value, &flag)) SetNumberOnly(flag);
    else if (n == L"password" && ParseBool(value, &flag)) SetPasswordMode(flag);
    else if (n == L"passwordchar" && *value) SetPasswordChar(*value);
    else if (n == L"tipvalue") SetTipValue(value);
    else if (n == L"tipvaluecolor" && ParseColor(value, &color)) SetTipValueColor(color);
    else if (n == L"maxchar" && ParseInt(value, &number) && number >= 0) SetMaxChar(static_cast<UINT>(number));
    else if (n == L"readonly" || n == L"numberonly" || n == L"password" || n == L"passwordchar" ||
             n == L"tipvaluecolor" || n == L"maxchar") {
        LogBadAttribute(name, value);
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

std::wstring CEditUI::DisplayText() const {
    if (m_bPassword) return std::wstring(m_model.Length(), m_chPassword);
    std::wstring shown = m_model.Text();
    std::replace_if(shown.begin(), shown.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
    return shown;
}

const TTextLineMetrics& CEditUI::Metrics() {
    std::wstring shown = DisplayText();
    const TFontInfo& font = CRenderEngine::GetFont(m_pManager, m_iFont);
    if (!m_bMeasured || shown != m_measuredText || !SameFont(font, m_measuredFont)) {
        m_metrics = MeasureTextLine(font, shown);
        m_measuredText = std::move(shown);
        m_measuredFont = font;
        m_bMeasured = true;
    }
    return m_metrics;
}

void CEditUI::UpdateScroll() {
    const RECT rc = TextRect();
    const int width = rc.right - rc.left;
    if (width <= 0) {
        m_scrollX = 0;
        return;
    }
    const TTextLineMetrics& metrics = Metrics();
    const int caret = metrics.caretX[std::min(m_model.Caret(), metrics.caretX.size() - 1)];
    // The caret's pixel column stays inside; no empty space is left on the right while
    // text is scrolled out on the left.
    if (caret - m_scrollX > width - 1) m_scrollX = caret - (width - 1);
    if (caret - m_scrollX < 0) m_scrollX = caret;
    if (metrics.width - m_scrollX < width - 1) m_scrollX = std::max(0, metrics.width - (width - 1));
}

int CEditUI::TextOriginX() {
    UpdateScroll();
    const RECT rc = TextRect();
    const int slack = (rc.right - rc.left - 1) - Metrics().width;
    // A text that fits is placed by the alignment; a longer one scrolls from the left.
    if (slack > 0 && (m_uTextStyle & DT_CENTER)) return rc.left + slack / 2;
    if (slack > 0 && (m_uTextStyle & DT_RIGHT)) return rc.left + slack;
    return rc.left - m_scrollX;
}

size_t CEditUI::IndexAtPoint(POINT pt) {
    const int origin = TextOriginX();
    return CaretIndexAtX(Metrics().caretX, pt.x - origin);
}

void CEditUI::DoEvent(TEventUI& event) {
    const bool mouse = event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND;
    if (!IsEnabled() && event.Type != UIEVENT_SETCURSOR && event.Type != UIEVENT_KILLFOCUS) {
        if (mouse && event.Type != UIEVENT_MOUSEENTER && event.Type != UIEVENT_MOUSELEAVE) PassToParent(event);
        return;
    }
    switch (event.Type) {
        case UIEVENT_SETCURSOR:
            if (m_pManager) m_pManager->SetCursorShape(IsEnabled() ? IDC_IBEAM : IDC_ARROW);
            return;
        case UIEVENT_SETFOCUS:
        case UIEVENT_KILLFOCUS:
            OnFocus(event.Type == UIEVENT_SETFOCUS);
            return;
        case UIEVENT_TIMER:
            if (event.wParam == kCaretTimer) {
                m_bCaretOn = !m_bCaretOn;
                Invalidate();
            }
            return;
        case UIEVENT_BUTTONDOWN:
            OnButtonDown(event);
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_bDragging) {
                m_model.MoveTo(IndexAtPoint(event.ptMouse), true);
                CaretMoved();
            }
            return;
        case UIEVENT_BUTTONUP:
            if (m_bDragging) {
                m_bDragging = false;
                OfferPrimary();
            }
            return;
        case UIEVENT_DBLCLICK:
            m_model.SelectWordAt(IndexAtPoint(event.ptMouse));
            m_bDragging = false;
            CaretMoved();
            OfferPrimary();
            return;
        case UIEVENT_MOUSEENTER:
        case UIEVENT_MOUSELEAVE:
            return;
        case UIEVENT_KEYDOWN:
            OnKeyDown(event);
            return;
        case UIEVENT_CHAR:
            OnChar(event);
            return;
        default:
            CLabelUI::DoEvent(event);
            return;
    }
}

void CEditUI::OnButtonDown(const TEventUI& event) {
    m_model.MoveTo(IndexAtPoint(event.ptMouse), (event.wKeyState & MK_SHIFT) != 0);
    m_bDragging = true;
    CaretMoved();
}

void CEditUI::OnKeyDown(const TEventUI& event) {
    const auto vk = static_cast<UINT>(event.chKey);
    const bool shift = (event.wKeyState & MK_SHIFT) != 0;
    const bool ctrl = (event.wKeyState & MK_CONTROL) != 0;
    switch (vk) {
        case VK_LEFT: m_model.MoveLeft(shift, ctrl); break;
        case VK_RIGHT: m_model.MoveRight(shift, ctrl); break;
        case VK_HOME: m_model.MoveHome(shift); break;
        case VK_END: m_model.MoveEnd(shift); break;
        case VK_BACK:
            if (IsEditable() && m_model.Backspace()) {
                UserChanged();
                return;
            }
            break;
        case VK_DELETE:
            if (shift && !ctrl) {
                Cut();
                return;
            }
            if (IsEditable() && m_model.Delete()) {
                UserChanged();
                return;
            }
            break;
        case VK_INSERT:
            if (ctrl && !shift) Copy();
            if (shift && !ctrl) Paste();
            return;
        case 'A':
            if (!ctrl) return;
            m_model.SelectAll();
            break;
        case 'C':
            if (ctrl) Copy();
            return;
        case 'X':
            if (ctrl) Cut();
            return;
        case 'V':
            if (ctrl) Paste();
            return;
        default:
            return;
    }
    CaretMoved();
    if (shift || vk == 'A') OfferPrimary();
}

void CEditUI::OnChar(const TEventUI& event) {
    // Ctrl and Alt combinations are commands, not text; control characters arrive with
    // Enter, Escape, Tab and Backspace, which have their own handling.
    if (event.wKeyState & (MK_CONTROL | kAltState)) return;
    const wchar_t ch = event.chKey;
    if (ch < 0x20 || ch == 0x7F) return;
    if (InsertUserText(std::wstring(1, ch))) UserChanged();
}

bool CEditUI::InsertUserText(std::wstring text) {
    if (!IsEditable()) return false;
    // One line: what follows a line break is dropped.
    const size_t lineEnd = text.find_first_of(L"\r\n");
    if (lineEnd != std::wstring::npos) text.erase(lineEnd);
    if (text.empty()) return false;
    return m_model.Insert(text);
}

void CEditUI::OnFocus(bool focused) {
    const HWND hwnd = m_pManager ? m_pManager->GetPaintWindow() : 0;
    m_bDragging = m_bDragging && focused;
    if (focused) {
        m_bCaretOn = true;
        RestartBlink();
        if (hwnd) zovi::platform::SetTextInputFocus(hwnd, IsEditable() && !m_bPassword);
        ReportCaret();
    } else {
        StopBlink();
        if (hwnd) zovi::platform::SetTextInputFocus(hwnd, false);
    }
    Invalidate();
}

void CEditUI::CaretMoved() {
    m_bCaretOn = true;
    RestartBlink();
    Invalidate();
    ReportCaret();
}

void CEditUI::UserChanged() {
    m_sText = m_model.Text();
    CaretMoved();
    Notify(DUI_MSGTYPE_TEXTCHANGED);
}

void CEditUI::Copy() {
    const HWND hwnd = m_pManager ? m_pManager->GetPaintWindow() : 0;
    if (m_bPassword || !m_model.HasSelection() || !hwnd) return;
    zovi::platform::SetClipboardText(hwnd, m_model.SelectedText());
}

void CEditUI::Cut() {
    if (m_bPassword || !IsEditable() || !m_model.HasSelection()) return;
    Copy();
    m_model.DeleteSelection();
    UserChanged();
}

void CEditUI::Paste() {
    const HWND hwnd = m_pManager ? m_pManager->GetPaintWindow() : 0;
    if (!IsEditable() || !hwnd) return;
    const std::shared_ptr<bool> alive = m_alive;
    zovi::platform::RequestClipboardText(hwnd, [alive, this](std::optional<std::wstring> text) {
        // The answer comes from the message loop: the edit may be gone or elsewhere.
        if (!*alive || !text || !IsFocused()) return;
        if (InsertUserText(std::move(*text))) UserChanged();
    });
}

void CEditUI::OfferPrimary() {
    const HWND hwnd = m_pManager ? m_pManager->GetPaintWindow() : 0;
    if (m_bPassword || !m_model.HasSelection() || !hwnd) return;
    zovi::platform::SetPrimarySelectionText(hwnd, m_model.SelectedText());
}

void CEditUI::RestartBlink() {
    if (m_pManager && m_bFocused) m_pManager->SetTimer(this, kCaretTimer, kCaretBlinkMs);
}

void CEditUI::StopBlink() {
    m_bCaretOn = false;
    if (m_pManager) m_pManager->KillTimer(this, kCaretTimer);
}

void CEditUI::ReportCaret() {
    const HWND hwnd = m_pManager ? m_pManager->GetPaintWindow() : 0;
    if (!hwnd || !m_bFocused) return;
    const int origin = TextOriginX();
    const TTextLineMetrics& metrics = Metrics();
    const RECT rc = TextRect();
    const int x = origin + metrics.caretX[std::min(m_model.Caret(), metrics.caretX.size() - 1)];
    const int top = rc.top + ((rc.bottom - rc.top) - metrics.height) / 2;
    zovi::platform::SetTextInputCaret(hwnd, POINT{x, top}, metrics.height);
}

void CEditUI::PaintText(HDC hDC) {
    const RECT rc = TextRect();
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    const CPaintClip clip(hDC, rc);
    const int origin = TextOriginX();
    const TTextLineMetrics& metrics = Metrics();
    const DWORD color = CurrentTextColor();
    const int lineTop = rc.top + ((rc.bottom - rc.top) - metrics.height) / 2;
    if (m_model.Length() == 0) {
        if (!m_sTipValue.IsEmpty()) {
            const UINT align = m_uTextStyle & (DT_CENTER | DT_RIGHT);
            CRenderEngine::DrawText(hDC, m_pManager, rc, m_sTipValue.str(), m_dwTipValueColor, m_iFont,
                                    kTextStyle | align | DT_END_ELLIPSIS);
        }
    } else {
        // Wide enough that the whole line fits: DT_LEFT places it at the left edge.
        const RECT line{origin, rc.top, rc.right + metrics.width + 1, rc.bottom};
        CRenderEngine::DrawText(hDC, m_pManager, line, m_measuredText, color, m_iFont, kTextStyle);
        if (m_bFocused && m_model.HasSelection()) {
            const RECT selection{origin + metrics.caretX[m_model.SelStart()], lineTop,
                                 origin + metrics.caretX[m_model.SelEnd()], lineTop + metrics.height};
            CRenderEngine::DrawColor(hDC, selection, m_dwSelectBkColor);
            const CPaintClip selected(hDC, selection);
            CRenderEngine::DrawText(hDC, m_pManager, line, m_measuredText, m_dwSelectTextColor, m_iFont, kTextStyle);
        }
    }
    if (m_bFocused && m_bCaretOn && IsEnabled()) {
        const int x = origin + metrics.caretX[std::min(m_model.Caret(), metrics.caretX.size() - 1)];
        CRenderEngine::DrawColor(hDC, RECT{x, lineTop, x + 1, lineTop + metrics.height}, color);
    }
}

}  // namespace DuiLib
