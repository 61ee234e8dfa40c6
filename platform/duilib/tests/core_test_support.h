// Helpers for the library core's tests: captured log lines, zip archives and PNGs made
// in memory, and a canvas (an image surface with a paint context) to draw on and read.
#pragma once
#include <cairo.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/gdi/paint_context.h"

namespace DuiLib::test {

// Takes the library's log lines for its lifetime; LogOnce keys start afresh.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    const std::vector<std::wstring>& Lines() const;
    // How many lines contain `part`.
    int Count(const std::wstring& part) const;
};

using ZipEntries = std::vector<std::pair<std::string, std::vector<unsigned char>>>;
std::vector<unsigned char> MakeZip(const ZipEntries& entries);
std::vector<unsigned char> PngBytes(cairo_surface_t* surface);

class Canvas {
public:
    Canvas(int width, int height, DWORD clearColor = 0xFFFFFFFF, cairo_format_t format = CAIRO_FORMAT_RGB24);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC hdc() { return zovi::platform::ToHdc(&context_); }
    cairo_t* cr() { return context_.cr; }
    cairo_surface_t* surface() { return surface_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // 0xAARRGGBB as stored (premultiplied; alpha 0xFF for RGB24).
    uint32_t Pixel(int x, int y);
    // The bounding box of pixels that differ from `background` (empty when none).
    RECT Changed(uint32_t background);
    // Writes the surface to ${ZOVI_TEST_BIN_DIR}/artefacts/<name>.png.
    void Save(const std::string& name);

private:
    int width_, height_;
    cairo_surface_t* surface_;
    zovi::platform::GdiContext context_;
};

// Opaque colours compared channel by channel within `tolerance`.
bool Near(uint32_t a, uint32_t b, int tolerance = 2);

}  // namespace DuiLib::test
