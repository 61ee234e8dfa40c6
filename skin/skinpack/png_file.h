// PNG files through Cairo's reader and writer (no time stamps, so the bytes depend on
// the pixels alone).
#pragma once
#include <cairo.h>

#include <string>

namespace zovi::skinpack {

// An ARGB32 surface of the PNG at `path` (the caller destroys it), or null.
cairo_surface_t* LoadPng(const std::string& path, std::string* error);
// Writes the surface to `path`, replacing it only on success.
bool SavePng(cairo_surface_t* surface, const std::string& path, std::string* error);

}  // namespace zovi::skinpack
