#include "platform/duilib/core/resources/image_cache.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/core/string/dui_log.h"

namespace DuiLib {
namespace {

// Both caches belong to the UI thread, as every library object does.
std::map<std::wstring, TImagePtr>& SkinImages() {
    static std::map<std::wstring, TImagePtr> images;  // freed at exit
    return images;
}

std::map<std::wstring, TImagePtr>& SharedImages() {
    static std::map<std::wstring, TImagePtr> images;
    return images;
}

struct PngReader {
    const std::vector<unsigned char>* bytes;
    size_t offset = 0;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
    auto* reader = static_cast<PngReader*>(closure);
    if (reader->bytes->size() - reader->offset < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, reader->bytes->data() + reader->offset, length);
    reader->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

TImagePtr Wrap(cairo_surface_t* surface, bool alpha) {
    auto image = std::make_shared<TImageInfo>();
    image->surface = surface;
    image->width = cairo_image_surface_get_width(surface);
    image->height = cairo_image_surface_get_height(surface);
    image->alpha = alpha;
    return image;
}

TImagePtr Decode(const std::wstring& path) {
    std::vector<unsigned char> bytes;
    if (!ReadSkinFile(path, &bytes)) return nullptr;  // logged by the reader
    PngReader reader{&bytes};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(&ReadPng, &reader);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || cairo_image_surface_get_width(surface) <= 0 ||
        cairo_image_surface_get_height(surface) <= 0) {
        cairo_surface_destroy(surface);
        LogOnce(L"image:" + path, L"skin image is not a PNG: " + path);
        return nullptr;
    }
    return Wrap(surface, cairo_image_surface_get_format(surface) != CAIRO_FORMAT_RGB24);
}

}  // namespace

TImageInfo::~TImageInfo() {
    if (surface) cairo_surface_destroy(surface);
}

TImagePtr GetSkinImage(const std::wstring& name) {
    std::wstring path = name;
    std::replace(path.begin(), path.end(), L'\\', L'/');
    auto& images = SkinImages();
    auto it = images.find(path);
    if (it != images.end()) return it->second;
    // A missing image is remembered too, so it is looked for once.
    TImagePtr image = Decode(path);
    images.emplace(path, image);
    return image;
}

TImagePtr CopyImage(const unsigned char* pixels, int width, int height, int stride, bool alpha) {
    if (!pixels || width <= 0 || height <= 0 || stride < width * 4) return nullptr;
    cairo_surface_t* surface =
        cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        LogOnce(L"image:copy", L"cannot make an image surface for a copied bitmap");
        return nullptr;
    }
    cairo_surface_flush(surface);
    unsigned char* target = cairo_image_surface_get_data(surface);
    const int targetStride = cairo_image_surface_get_stride(surface);
    // ARGB32 and RGB24 share the 32-bit layout; RGB24 ignores the alpha byte.
    for (int y = 0; y < height; ++y) {
        std::memcpy(target + static_cast<size_t>(y) * targetStride, pixels + static_cast<size_t>(y) * stride,
                    static_cast<size_t>(width) * 4);
    }
    cairo_surface_mark_dirty(surface);
    return Wrap(surface, alpha);
}

void AddSharedImage(const std::wstring& name, TImagePtr image) {
    if (image) {
        SharedImages()[name] = std::move(image);
    } else {
        SharedImages().erase(name);
    }
}

TImagePtr FindSharedImage(const std::wstring& name) {
    auto& images = SharedImages();
    auto it = images.find(name);
    return it == images.end() ? nullptr : it->second;
}

void ClearImageCache() { SkinImages().clear(); }

}  // namespace DuiLib
