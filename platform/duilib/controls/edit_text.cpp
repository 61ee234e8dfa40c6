#include "platform/duilib/controls/edit_text.h"

#include <algorithm>

namespace DuiLib {
namespace {

enum class CharClass { Space, Word, Other };

// Word characters without the C library's locale: ASCII letters, digits and '_', and
// non-ASCII text (Chinese, accented Latin) except the punctuation and space blocks.
CharClass ClassOf(wchar_t c) {
    if (c == L' ' || c == L'\t' || c == 0x3000 || c == 0x00A0) return CharClass::Space;
    if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_') {
        return CharClass::Word;
    }
    if (c < 0xC0) return CharClass::Other;
    const bool punctuation = (c >= 0x2000 && c <= 0x206F) || (c >= 0x3000 && c <= 0x303F) ||
                             (c >= 0xFF00 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
                             (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65);
    return punctuation ? CharClass::Other : CharClass::Word;
}

}  // namespace

void CEditText::SetText(const std::wstring& text) {
    m_text = text;
    m_caret = m_anchor = m_text.size();
}

void CEditText::Select(size_t anchor, size_t caret) {
    m_anchor = std::min(anchor, m_text.size());
    m_caret = std::min(caret, m_text.size());
}

void CEditText::MoveTo(size_t index, bool extend) {
    m_caret = std::min(index, m_text.size());
    if (!extend) m_anchor = m_caret;
}

void CEditText::MoveLeft(bool extend, bool byWord) {
    if (HasSelection() && !extend && !byWord) {
        MoveTo(SelStart(), false);
        return;
    }
    MoveTo(byWord ? PreviousWordStart(m_caret) : (m_caret > 0 ? m_caret - 1 : 0), extend);
}

void CEditText::MoveRight(bool extend, bool byWord) {
    if (HasSelection() && !extend && !byWord) {
        MoveTo(SelEnd(), false);
        return;
    }
    MoveTo(byWord ? NextWordEnd(m_caret) : m_caret + 1, extend);
}

void CEditText::WordBounds(size_t index, size_t* begin, size_t* end) const {
    size_t b = std::min(index, m_text.size()), e = b;
    while (b > 0 && ClassOf(m_text[b - 1]) == CharClass::Word) --b;
    while (e < m_text.size() && ClassOf(m_text[e]) == CharClass::Word) ++e;
    *begin = b;
    *end = e;
}

size_t CEditText::PreviousWordStart(size_t index) const {
    size_t i = std::min(index, m_text.size());
    while (i > 0 && ClassOf(m_text[i - 1]) != CharClass::Word) --i;
    while (i > 0 && ClassOf(m_text[i - 1]) == CharClass::Word) --i;
    return i;
}

size_t CEditText::NextWordEnd(size_t index) const {
    size_t i = std::min(index, m_text.size());
    while (i < m_text.size() && ClassOf(m_text[i]) != CharClass::Word) ++i;
    while (i < m_text.size() && ClassOf(m_text[i]) == CharClass::Word) ++i;
    return i;
}

void CEditText::SelectWordAt(size_t index) {
    if (m_text.empty()) return;
    // A click past the end picks what is just before it.
    size_t at = std::min(index, m_text.size() - 1);
    const CharClass kind = ClassOf(m_text[at]);
    size_t begin = at, end = at + 1;
    if (kind != CharClass::Other) {
        while (begin > 0 && ClassOf(m_text[begin - 1]) == kind) --begin;
        while (end < m_text.size() && ClassOf(m_text[end]) == kind) ++end;
    }
    Select(begin, end);
}

bool CEditText::Accepts(const std::wstring& text) const {
    if (!m_numberOnly) return true;
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

bool CEditText::Insert(const std::wstring& text) {
    if (!Accepts(text)) return false;
    const size_t kept = m_text.size() - (SelEnd() - SelStart());
    size_t room = text.size();
    if (m_maxLength > 0) room = kept >= m_maxLength ? 0 : std::min(room, m_maxLength - kept);
    if (room == 0) return false;  // nothing fits: the selection stays too
    const size_t at = SelStart();
    m_text.replace(at, SelEnd() - at, text, 0, room);
    m_caret = m_anchor = at + room;
    return true;
}

bool CEditText::DeleteSelection() {
    if (!HasSelection()) return false;
    const size_t at = SelStart();
    m_text.erase(at, SelEnd() - at);
    m_caret = m_anchor = at;
    return true;
}

bool CEditText::Backspace() {
    if (DeleteSelection()) return true;
    if (m_caret == 0) return false;
    m_text.erase(--m_caret, 1);
    m_anchor = m_caret;
    return true;
}

bool CEditText::Delete() {
    if (DeleteSelection()) return true;
    if (m_caret >= m_text.size()) return false;
    m_text.erase(m_caret, 1);
    m_anchor = m_caret;
    return true;
}

}  // namespace DuiLib
