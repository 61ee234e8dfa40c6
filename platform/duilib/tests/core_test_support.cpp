#include "platform/duilib/tests/core_test_support.h"

#include <minizip/zip.h>

#include <cstdlib>
#include <filesystem>

#include "platform/duilib/core/string/dui_log.h"
#include "platform/stream/buffer_stream.h"
#include "platform/stream/zip_file_functions.h"

namespace DuiLib::test {
namespace {

std::vector<std::wstring> g_lines;

void Collect(int, const wchar_t* text) { g_lines.emplace_back(text); }

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::vector<unsigned char>*>(closure)->insert(static_cast<std::vector<unsigned char>*>(closure)->end(),
                                                               data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

LogCapture::LogCapture() {
    g_lines.clear();
    ResetLogOnce();
    SetLogSink(&Collect);
}

LogCapture::~LogCapture() { SetLogSink(nullptr); }

const std::vector<std::wstring>& LogCapture::Lines() const { return g_lines; }

int LogCapture::Count(const std::wstring& part) const {
    int count = 0;
    for (const auto& line : g_lines) count += line.find(part) != std::wstring::npos;
    return count;
}

std::vector<unsigned char> MakeZip(const ZipEntries& entries) {
    auto* stream = new zovi::core::CZipStream();
    zlib_filefunc64_def functions = zovi::core::MemoryZipFileFunctions(stream);
    zipFile zip = zipOpen2_64("test.zip", APPEND_STATUS_CREATE, nullptr, &functions);
    for (const auto& [name, bytes] : entries) {
        zip_fileinfo info{};
        zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, 0);
        zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    std::vector<unsigned char> result(stream->Data(), stream->Data() + stream->Size());
    stream->Release();
    return result;
}

std::vector<unsigned char> PngBytes(cairo_surface_t* surface) {
    std::vector<unsigned char> bytes;
    cairo_surface_write_to_png_stream(surface, &AppendBytes, &bytes);
    return bytes;
}

Canvas::Canvas(int width, int height, DWORD clearColor, cairo_format_t format)
    : width_(width), height_(height), surface_(cairo_image_surface_create(format, width, height)) {
    context_.cr = cairo_create(surface_);
    cairo_set_source_rgba(context_.cr, ((clearColor >> 16) & 0xFF) / 255.0, ((clearColor >> 8) & 0xFF) / 255.0,
                          (clearColor & 0xFF) / 255.0, (clearColor >> 24) / 255.0);
    cairo_set_operator(context_.cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(context_.cr);
    cairo_set_operator(context_.cr, CAIRO_OPERATOR_OVER);
}

Canvas::~Canvas() {
    cairo_destroy(context_.cr);
    cairo_surface_destroy(surface_);
}

uint32_t Canvas::Pixel(int x, int y) {
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    uint32_t value = *reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(surface_) + x * 4);
    if (cairo_image_surface_get_format(surface_) == CAIRO_FORMAT_RGB24) value |= 0xFF000000u;
    return value;
}

RECT Canvas::Changed(uint32_t background) {
    RECT box{width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (Pixel(x, y) == background) continue;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    }
    return box.right > box.left ? box : RECT{0, 0, 0, 0};
}

void Canvas::Save(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(ZOVI_TEST_BIN_DIR) / "artefacts";
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    cairo_surface_write_to_png(surface_, (dir / (name + ".png")).c_str());
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int delta = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (delta > tolerance || delta < -tolerance) return false;
    }
    return true;
}

}  // namespace DuiLib::test
