// Test helpers: the entries of a zip archive in memory (through the platform's memory
// file functions and minizip), files on disk, and PNG decoding through Cairo.
#pragma once
#include <cairo.h>

#include <cstddef>
#include <string>
#include <vector>

namespace zovi::skin::testing {

struct ZipEntry {
    std::string name;
    unsigned long dosDate = 0;
    int method = 0;
    std::vector<unsigned char> bytes;
};

// Every entry in archive order; false (with the reason) on any minizip failure.
bool ReadZip(const unsigned char* data, size_t size, std::vector<ZipEntry>* entries, std::string* error);
// The built-in archive's entries (the test fails when it cannot be read).
const std::vector<ZipEntry>& BuiltInEntries();
const ZipEntry* FindEntry(const std::vector<ZipEntry>& entries, const std::string& name);

std::vector<unsigned char> ReadFileBytes(const std::string& path);

// A PNG decoded to ARGB32 (caller destroys it), or null.
cairo_surface_t* DecodePng(const std::vector<unsigned char>& bytes);
// The premultiplied pixel at (x, y) as 0xAARRGGBB.
unsigned PixelAt(cairo_surface_t* surface, int x, int y);

}  // namespace zovi::skin::testing
