// Screen metrics as GetDeviceCaps gives them for the screen.
#pragma once

namespace zovi::platform {

inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

// For the screen (`hdc` is not read: every device context here draws for the screen):
// LOGPIXELSX / LOGPIXELSY are the X resource "Xft.dpi" when set, else 96. 0 for any
// other index or when no X server can be reached.
int GetDeviceCaps(const void* hdc, int index);

}  // namespace zovi::platform
