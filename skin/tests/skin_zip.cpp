#include "skin/tests/skin_zip.h"

#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/stream/zip_file_functions.h"
#include "skin/skin_archive_data.h"

namespace zovi::skin::testing {

namespace {

bool ReadCurrent(unzFile zip, ZipEntry* entry, std::string* error) {
    unz_file_info64 info{};
    char name[1024];
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
        *error = "cannot read an entry header";
        return false;
    }
    entry->name = name;
    entry->dosDate = info.dosDate;
    entry->method = static_cast<int>(info.compression_method);
    entry->bytes.resize(info.uncompressed_size);
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        *error = "cannot open " + entry->name;
        return false;
    }
    const int got = entry->bytes.empty()
                        ? 0
                        : unzReadCurrentFile(zip, entry->bytes.data(), static_cast<unsigned>(entry->bytes.size()));
    const int closed = unzCloseCurrentFile(zip);  // checks the CRC
    if (got != static_cast<int>(entry->bytes.size()) || closed != UNZ_OK) {
        *error = "cannot inflate " + entry->name;
        return false;
    }
    return true;
}

}  // namespace

bool ReadZip(const unsigned char* data, size_t size, std::vector<ZipEntry>* entries, std::string* error) {
    auto* stream = new core::CZipStream();
    const bool filled = stream->Append(data, static_cast<uint32_t>(size));
    zlib_filefunc64_def functions = core::MemoryZipFileFunctions(stream);
    unzFile zip = filled ? unzOpen2_64("skin.zip", &functions) : nullptr;
    bool ok = zip != nullptr;
    if (!ok) *error = "not a zip archive";
    for (int result = ok ? unzGoToFirstFile(zip) : UNZ_END_OF_LIST_OF_FILE; result == UNZ_OK;
         result = unzGoToNextFile(zip)) {
        ZipEntry entry;
        if (!ReadCurrent(zip, &entry, error)) {
            ok = false;
            break;
        }
        entries->push_back(std::move(entry));
    }
    if (zip) unzClose(zip);
    stream->Release();
    return ok;
}

const std::vector<ZipEntry>& BuiltInEntries() {
    static const std::vector<ZipEntry> entries = [] {
        std::vector<ZipEntry> read;
        std::string error;
        EXPECT_TRUE(ReadZip(kSkinZip, kSkinZipSize, &read, &error)) << error;
        return read;
    }();
    return entries;
}

const ZipEntry* FindEntry(const std::vector<ZipEntry>& entries, const std::string& name) {
    for (const ZipEntry& entry : entries) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

struct PngReader {
    const std::vector<unsigned char>* bytes;
    size_t offset = 0;
};

cairo_status_t ReadPngChunk(void* closure, unsigned char* data, unsigned length) {
    auto* reader = static_cast<PngReader*>(closure);
    if (reader->offset + length > reader->bytes->size()) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, reader->bytes->data() + reader->offset, length);
    reader->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

cairo_surface_t* DecodePng(const std::vector<unsigned char>& bytes) {
    PngReader reader{&bytes};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(&ReadPngChunk, &reader);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    if (cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) {
        // Opaque PNGs decode to RGB24; widen them so every caller reads ARGB32.
        cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(surface),
                                                           cairo_image_surface_get_height(surface));
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, surface, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        surface = argb;
    }
    cairo_surface_flush(surface);
    return surface;
}

unsigned PixelAt(cairo_surface_t* surface, int x, int y) {
    const unsigned char* row =
        cairo_image_surface_get_data(surface) + static_cast<size_t>(y) * cairo_image_surface_get_stride(surface);
    unsigned pixel;
    std::memcpy(&pixel, row + static_cast<size_t>(x) * 4, 4);
    return pixel;
}

}  // namespace zovi::skin::testing
