// Images: PNGs of the skin decoded once per process (Cairo's PNG reader over the zip
// entry), and the bitmaps a window adds with AddImage ("#…" names). A missing image is
// reported with one log line per name per process and draws nothing.
#pragma once
#include <memory>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace DuiLib {

struct TImageInfo {
    cairo_surface_t* surface = nullptr;  // owned by the cache entry
    int width = 0, height = 0;
    bool alpha = true;  // false: drawn as RGB24
    TImageInfo() = default;
    TImageInfo(const TImageInfo&) = delete;
    TImageInfo& operator=(const TImageInfo&) = delete;
    ~TImageInfo();
};
using TImagePtr = std::shared_ptr<TImageInfo>;

// A skin image by path (decoded on first use and cached for the process); null when
// missing or not a PNG (logged once).
TImagePtr GetSkinImage(const std::wstring& path);

// A copy of `width` x `height` pixels, 32 bits each in B,G,R,A byte order with the given
// stride (Cairo's layout). With `alpha` false the copy is RGB24 (the alpha bytes, often
// 0 in captured pixels, are ignored); with true it is premultiplied ARGB32. Null for a
// size that is not positive.
TImagePtr CopyImage(const unsigned char* pixels, int width, int height, int stride, bool alpha);

// Images shared between every paint manager (AddImage with shared = true).
void AddSharedImage(const std::wstring& name, TImagePtr image);
TImagePtr FindSharedImage(const std::wstring& name);

// Frees the cached skin images (at exit; tests).
void ClearImageCache();

}  // namespace DuiLib
