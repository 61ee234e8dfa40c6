// Parsers for attribute values, shared by the builder, SetAttribute and
// SetAttributeList. Each returns false (and leaves the output alone) when the text does
// not parse; callers log once per (class, attribute) and ignore the attribute.
#pragma once
#include <string>
#include <vector>

#include "platform/base/wintypes.h"

namespace DuiLib {

// Decimal with optional minus.
bool ParseInt(const wchar_t* text, int* value);
// "true" / "false".
bool ParseBool(const wchar_t* text, bool* value);
// "#AARRGGBB", "AARRGGBB", "#RRGGBB", "RRGGBB" (RRGGBB = opaque), either letter case.
bool ParseColor(const wchar_t* text, DWORD* argb);
// "l,t,r,b"; with `allowSingle`, one number gives all four.
bool ParseRect(const wchar_t* text, RECT* rect, bool allowSingle = false);
// "w,h"; extra numbers are ignored ("2,2,2,2" gives 2,2); with `allowSingle`, one
// number gives both.
bool ParseSize(const wchar_t* text, SIZE* size, bool allowSingle = false);

// An image reference: a plain path, or key='value' pairs with file, source, dest, corner.
// "\" in a path is taken as "/".
struct TImageRef {
    std::wstring file;
    RECT source{};  // valid when hasSource
    RECT dest{};    // relative to the control's rectangle; valid when hasDest
    RECT corner{};  // nine-slice insets inside the source; valid when hasCorner
    bool hasSource = false, hasDest = false, hasCorner = false;
};
// False for an unknown key or a value that does not parse (the reference is then not
// drawn). An empty text gives false.
bool ParseImageRef(const wchar_t* text, TImageRef* ref);

// `name="value"` pairs (as SetAttributeList takes them), in order. False when the list
// is malformed (the pairs before the fault are still returned).
bool ParseAttributeList(const wchar_t* text, std::vector<std::pair<std::wstring, std::wstring>>* pairs);

}  // namespace DuiLib
