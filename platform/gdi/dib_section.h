// A 32-bit top-down bitmap over a Cairo RGB24 image surface: bytes B,G,R,X per pixel
// (the Windows BGRA DIB order and FFmpeg's AV_PIX_FMT_BGRA), stride width * 4.
#pragma once
#include <cstdint>
#include <memory>

typedef struct _cairo_surface cairo_surface_t;

namespace zovi::platform {

class CDibSection {
public:
    // Null when the size is not positive or the memory cannot be had. Pixels start at 0.
    static std::shared_ptr<CDibSection> Create(int width, int height);
    ~CDibSection();
    CDibSection(const CDibSection&) = delete;
    CDibSection& operator=(const CDibSection&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return stride_; }
    // Direct access to the pixels: call BeginDirectAccess before reading or writing them
    // and EndDirectAccess after writing, so Cairo drawing and direct access agree.
    uint8_t* Bits() const { return bits_; }
    void BeginDirectAccess();
    void EndDirectAccess();
    uint32_t PixelAt(int x, int y) const;  // 0x00RRGGBB
    // Every pixel black.
    void Clear();
    cairo_surface_t* Surface() const { return surface_; }

private:
    CDibSection(cairo_surface_t* surface, int width, int height);
    cairo_surface_t* surface_;
    int width_, height_, stride_;
    uint8_t* bits_;
};

using HBITMAP = std::shared_ptr<CDibSection>;

}  // namespace zovi::platform
