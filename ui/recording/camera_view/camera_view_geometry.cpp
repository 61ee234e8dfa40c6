#include "ui/recording/camera_view/camera_view_geometry.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <utility>

#include "core/util/screen_scale.h"

namespace camera_view {

bool ComputeStretch(int fw, int fh, int cw, int ch, bool maximised, StretchRects* out) {
    if (fw <= 0 || fh <= 0 || cw <= 0 || ch <= 0) return false;
    if (!maximised) {
        long long sw = static_cast<long long>(fh) * cw / ch;
        long long sh = fh;
        if (sw > fw) sh = static_cast<long long>(fw) * ch / cw;
        const long long w = std::min<long long>(sw, fw);
        const LONG x = static_cast<LONG>((fw - w) / 2);
        const LONG y = static_cast<LONG>((fh - sh) / 2);
        out->source = RECT{x, y, x + static_cast<LONG>(w), y + static_cast<LONG>(sh)};
        out->dest = RECT{0, 0, cw, ch};
    } else {
        long long dw = static_cast<long long>(fw) * ch / fh;
        long long dh = ch;
        if (dw > cw) {
            dh = static_cast<long long>(fh) * cw / fw;
            dw = cw;
        }
        const LONG x = static_cast<LONG>((cw - dw) / 2);
        const LONG y = static_cast<LONG>((ch - dh) / 2);
        out->source = RECT{0, 0, fw, fh};
        out->dest = RECT{x, y, x + static_cast<LONG>(dw), y + static_cast<LONG>(dh)};
    }
    return out->source.right > out->source.left && out->source.bottom > out->source.top &&
           out->dest.right > out->dest.left && out->dest.bottom > out->dest.top;
}

int ScaleValue(int value, int percent) {
    if (percent == 100) return value;
    return static_cast<int>(std::lround(static_cast<double>(value) * percent / 100.0));
}

int Scaled(int value) {
    static std::mutex lock;
    static std::map<int, std::pair<int, int>> kept;  // value -> (percent, scaled)
    const int percent = GetScreenDpiScalePercent();
    std::lock_guard<std::mutex> guard(lock);
    auto it = kept.find(value);
    if (it == kept.end() || it->second.first != percent)
        it = kept.insert_or_assign(value, std::make_pair(percent, ScaleValue(value, percent))).first;
    return it->second.second;
}

}  // namespace camera_view
