// CDuiString: the library's string, a thin wrapper over std::wstring. Format uses the
// platform's wide formatter, so "%s" takes a wide string as the windows expect.
#pragma once
#include <string>

namespace DuiLib {

class CDuiString {
public:
    CDuiString() = default;
    CDuiString(const wchar_t* text) : text_(text ? text : L"") {}  // NOLINT: implicit as in the windows' code
    CDuiString(std::wstring text) : text_(std::move(text)) {}     // NOLINT
    CDuiString(const wchar_t* text, int length) : text_(text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring()) {}

    // Replaces the contents; returns the new length.
    int Format(const wchar_t* format, ...);

    // Valid until the next change.
    const wchar_t* GetData() const { return text_.c_str(); }
    int GetLength() const { return static_cast<int>(text_.size()); }
    bool IsEmpty() const { return text_.empty(); }
    void Empty() { text_.clear(); }
    // Exact, case-sensitive: <0, 0, >0 as wcscmp.
    int Compare(const wchar_t* other) const;
    const std::wstring& str() const { return text_; }

    operator const wchar_t*() const { return text_.c_str(); }  // NOLINT
    CDuiString& operator=(const wchar_t* text) { text_ = text ? text : L""; return *this; }
    CDuiString& operator+=(const CDuiString& other) { text_ += other.text_; return *this; }
    CDuiString& operator+=(const wchar_t* text) { if (text) text_ += text; return *this; }
    friend CDuiString operator+(const CDuiString& a, const CDuiString& b) { return CDuiString(a.text_ + b.text_); }
    bool operator==(const CDuiString& other) const { return text_ == other.text_; }
    bool operator==(const wchar_t* other) const { return text_ == (other ? other : L""); }
    bool operator!=(const CDuiString& other) const { return text_ != other.text_; }
    bool operator!=(const wchar_t* other) const { return !(*this == other); }
    bool operator<(const CDuiString& other) const { return text_ < other.text_; }

private:
    std::wstring text_;
};

}  // namespace DuiLib
