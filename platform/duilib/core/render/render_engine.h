// CRenderEngine: drawing into a paint context (HDC) with Cairo and Pango. Every call
// clips its rectangle to the paint rectangle (and the context's clip) before it reaches
// Cairo: Cairo's fixed-point coordinates overflow near 8 million pixels, and content may
// lie far outside the window. Degenerate shapes are skipped. Colours are ARGB.
#pragma once
#include <string>

#include "platform/base/wintypes.h"
#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/resources/font_table.h"
#include "platform/duilib/core/resources/image_cache.h"
#include "platform/window/window_types.h"

typedef struct _cairo_surface cairo_surface_t;

namespace DuiLib {

class CPaintManagerUI;

// DrawText styles (the Win32 values).
inline constexpr UINT DT_TOP = 0x0;
inline constexpr UINT DT_LEFT = 0x0;
inline constexpr UINT DT_CENTER = 0x1;
inline constexpr UINT DT_RIGHT = 0x2;
inline constexpr UINT DT_VCENTER = 0x4;
inline constexpr UINT DT_BOTTOM = 0x8;
inline constexpr UINT DT_WORDBREAK = 0x10;
inline constexpr UINT DT_SINGLELINE = 0x20;
inline constexpr UINT DT_NOPREFIX = 0x800;
inline constexpr UINT DT_END_ELLIPSIS = 0x8000;

class CRenderEngine {
public:
    // The paint manager's "#…" images (its own, then shared) and its fonts by id. The
    // paint manager registers both once; the engine lives below it and cannot call it.
    using ImageLookup = TImagePtr (*)(const CPaintManagerUI* manager, const wchar_t* name);
    using FontLookup = const TFontInfo& (*)(const CPaintManagerUI* manager, int id);
    static void SetImageLookup(ImageLookup lookup);
    static void SetFontLookup(FontLookup lookup);
    // The font `id` of `manager` (null or no lookup: the program-wide table, else the
    // default font).
    static const TFontInfo& GetFont(const CPaintManagerUI* manager, int id);

    // Fills `rc` with `color`, alpha-blended.
    static void DrawColor(HDC hDC, const RECT& rc, DWORD color);
    // A line from (rc.left, rc.top) to (rc.right, rc.bottom).
    static void DrawLine(HDC hDC, const RECT& rc, int size, DWORD color);
    // An outline inside `rc`, `size` pixels wide (1-pixel lines on half-pixel centres).
    static void DrawRect(HDC hDC, const RECT& rc, int size, DWORD color);
    // An outline inside `rc` whose corners are rounded with the radii `width` (x) and
    // `height` (y); a radius of 0 gives DrawRect.
    static void DrawRoundRect(HDC hDC, const RECT& rc, int size, int width, int height, DWORD color);
    // Borders of four widths (left, top, right, bottom) inside `rc`.
    static void DrawBorders(HDC hDC, const RECT& rc, const RECT& widths, DWORD color);
    // Text in `rc` with the font `font` of `manager` (null: the program-wide table),
    // the DT_ style flags above; "\r\n" and "\n" break lines unless DT_SINGLELINE (they
    // show as spaces then). Vertical centring uses the layout's logical height.
    static void DrawText(HDC hDC, CPaintManagerUI* manager, const RECT& rc, const std::wstring& text,
                         DWORD color, int font, UINT style);
    // The size the text needs within `width` (0: unlimited) with the same rules.
    static SIZE MeasureText(CPaintManagerUI* manager, const std::wstring& text, int font, UINT style, int width);
    // An image reference (file, source, dest, corner) drawn in `rcItem`, clipped to `rcPaint`: the
    // "#…" names of `manager` first, then shared ones, then the skin. `opacity` 0..255
    // (disabled controls draw at 128). False when the reference does not parse or the
    // image is missing (logged once per name) — the caller then draws nothing.
    static bool DrawImageString(HDC hDC, CPaintManagerUI* manager, const RECT& rcItem, const RECT& rcPaint,
                                const wchar_t* imageRef, BYTE opacity = 255);
    // The `source` part (surface pixels) of an image surface drawn into `dest`, clipped
    // to `rcPaint`: at its own size on whole pixels without filtering, scaled with
    // CAIRO_FILTER_GOOD. With `alpha` false the alpha bytes are ignored (drawn as RGB24).
    static void DrawImage(HDC hDC, cairo_surface_t* surface, const RECT& dest, const RECT& rcPaint,
                          const RECT& source, bool alpha, BYTE opacity = 255);
};

}  // namespace DuiLib
