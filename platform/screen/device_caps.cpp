#include "platform/screen/device_caps.h"

#include <X11/Xlib.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

#include "platform/x11/x11_init.h"

namespace zovi::platform {

namespace {

// "Xft.dpi:\t120" among the resource lines; 96 when absent or not a number.
int DpiFromResources(const char* resources) {
    std::istringstream lines(resources ? resources : "");
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("Xft.dpi:", 0) != 0) continue;
        const double dpi = std::strtod(line.c_str() + 8, nullptr);
        if (dpi >= 1 && dpi < 10000) return static_cast<int>(std::lround(dpi));
    }
    return 96;
}

}  // namespace

int GetDeviceCaps(const void* /*hdc*/, int index) {
    if (index != LOGPIXELSX && index != LOGPIXELSY) return 0;
    Display* display = x11::OpenDisplay();
    if (!display) return 0;
    const int dpi = DpiFromResources(XResourceManagerString(display));
    x11::CloseDisplay(display);
    return dpi;
}

}  // namespace zovi::platform
