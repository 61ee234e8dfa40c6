// CEditText: the text of a single-line edit without any drawing: the characters, the
// caret, the selection anchor, and the edits a user makes (insert over the selection,
// Backspace, Delete, caret moves by character, word and line end). It applies the two
// input rules of an edit: number-only (a text with any non-digit is refused whole) and
// the maximum length (inserted text is cut to the room left). Indices count wchar_t.
#pragma once
#include <cstddef>
#include <string>

namespace DuiLib {

class CEditText {
public:
    const std::wstring& Text() const { return m_text; }
    size_t Length() const { return m_text.size(); }
    // Replaces everything; the caret goes to the end, no selection. No input rule applies
    // (code may set what the user could not type).
    void SetText(const std::wstring& text);

    size_t Caret() const { return m_caret; }
    size_t Anchor() const { return m_anchor; }
    bool HasSelection() const { return m_caret != m_anchor; }
    size_t SelStart() const { return m_caret < m_anchor ? m_caret : m_anchor; }
    size_t SelEnd() const { return m_caret < m_anchor ? m_anchor : m_caret; }
    std::wstring SelectedText() const { return m_text.substr(SelStart(), SelEnd() - SelStart()); }

    // Anchor at `anchor`, caret at `caret`, both clamped to the text.
    void Select(size_t anchor, size_t caret);
    void SelectAll() { Select(0, m_text.size()); }
    // The caret to `index`; with `extend` the anchor stays (the selection grows or shrinks).
    void MoveTo(size_t index, bool extend);
    // One character left or right; without `extend` a selection collapses to its edge.
    void MoveLeft(bool extend, bool byWord);
    void MoveRight(bool extend, bool byWord);
    void MoveHome(bool extend) { MoveTo(0, extend); }
    void MoveEnd(bool extend) { MoveTo(m_text.size(), extend); }
    // Selects the word (or the run of spaces, or the single other character) at `index`.
    void SelectWordAt(size_t index);

    // The run of word characters around `index`: [begin, end). A word character is a
    // letter, a digit or '_' (CJK ideographs count as letters).
    void WordBounds(size_t index, size_t* begin, size_t* end) const;
    // The start of the word before `index` and the end of the word after it (Ctrl+arrows).
    size_t PreviousWordStart(size_t index) const;
    size_t NextWordEnd(size_t index) const;

    // Input rules.
    void SetNumberOnly(bool on) { m_numberOnly = on; }
    bool IsNumberOnly() const { return m_numberOnly; }
    // 0: no limit.
    void SetMaxLength(size_t length) { m_maxLength = length; }
    size_t MaxLength() const { return m_maxLength; }
    // Whether number-only accepts `text` (every character a digit).
    bool Accepts(const std::wstring& text) const;

    // User edits; each returns whether the text changed.
    // Replaces the selection with `text` (refused whole when number-only refuses it; cut
    // to the room the maximum length leaves). The caret ends after the inserted text.
    bool Insert(const std::wstring& text);
    // Deletes the selection, else the character before the caret.
    bool Backspace();
    // Deletes the selection, else the character after the caret.
    bool Delete();
    // Deletes the selection (the cut of a cut).
    bool DeleteSelection();

private:
    std::wstring m_text;
    size_t m_caret = 0, m_anchor = 0;
    bool m_numberOnly = false;
    size_t m_maxLength = 0;
};

}  // namespace DuiLib
