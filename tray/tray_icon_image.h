// The tray icon's image: the program icon as a PNG, rendered from the skin's drawing
// when the program is built.
#pragma once
#include <cstddef>

extern const unsigned char kTrayIconPng[];
extern const size_t kTrayIconPngSize;
