// Regions over Cairo's region type (pixman's banded rectangles), and window regions as
// X bounding shapes.
#include "platform/window/region.h"

#include <X11/extensions/shape.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>

#include "platform/window/window_internal.h"
#include "platform/window/x_shape.h"

struct RegionObject {
    cairo_region_t* region = nullptr;
};

namespace {

using zovi::platform::window_detail::FindOwnRecord;
using zovi::platform::window_detail::FindRecord;
using zovi::platform::window_detail::RecordPtr;

struct RegionDeleter {
    void operator()(RegionObject* region) const { DeleteObject(region); }
};
using OwnedRegion = std::unique_ptr<RegionObject, RegionDeleter>;

// The regions windows own, by window; those of windows that are gone are freed when the
// next region is set.
class WindowRegions {
public:
    static WindowRegions& Get() {
        static WindowRegions regions;
        return regions;
    }
    void Set(HWND hwnd, HRGN region) {
        std::lock_guard lock(lock_);
        for (auto it = regions_.begin(); it != regions_.end();) {
            it = FindRecord(it->first) ? std::next(it) : regions_.erase(it);
        }
        if (region) {
            regions_[hwnd] = OwnedRegion(region);
        } else {
            regions_.erase(hwnd);
        }
    }

private:
    std::mutex lock_;
    std::map<HWND, OwnedRegion> regions_;
};

HRGN Wrap(cairo_region_t* region) {
    if (cairo_region_status(region) != CAIRO_STATUS_SUCCESS) {
        cairo_region_destroy(region);
        return nullptr;
    }
    return new RegionObject{region};
}

int KindOf(const cairo_region_t* region) {
    const int count = cairo_region_num_rectangles(region);
    return count == 0 ? NULLREGION : count == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    const cairo_rectangle_int_t rect{std::min(left, right), std::min(top, bottom), std::abs(right - left),
                                     std::abs(bottom - top)};
    return Wrap(cairo_region_create_rectangle(&rect));
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const int width = right - left, height = bottom - top;
    const double rx = std::min(ellipseWidth, width) / 2.0;
    const double ry = std::min(ellipseHeight, height) / 2.0;
    if (rx <= 0 || ry <= 0) return CreateRectRgn(left, top, right, bottom);
    cairo_region_t* region = cairo_region_create();
    // Each row's inset comes from the ellipse of the corner, measured at the row's centre.
    for (int row = 0; row < height; ++row) {
        const double y = row + 0.5;
        double dy = 0;
        if (y < ry) dy = ry - y;
        if (y > height - ry) dy = y - (height - ry);
        const double inset = dy > 0 ? rx - rx * std::sqrt(std::max(0.0, 1.0 - (dy / ry) * (dy / ry))) : 0;
        const int skip = static_cast<int>(std::lround(inset));
        if (width - 2 * skip <= 0) continue;
        const cairo_rectangle_int_t line{left + skip, top + row, width - 2 * skip, 1};
        cairo_region_union_rectangle(region, &line);
    }
    return Wrap(region);
}

int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
    if (!destination || !source1 || (mode != RGN_COPY && !source2)) return RGN_ERROR;
    cairo_region_t* result = cairo_region_copy(source1->region);
    cairo_status_t status = cairo_region_status(result);
    if (status == CAIRO_STATUS_SUCCESS) {
        switch (mode) {
            case RGN_AND: status = cairo_region_intersect(result, source2->region); break;
            case RGN_OR: status = cairo_region_union(result, source2->region); break;
            case RGN_XOR: status = cairo_region_xor(result, source2->region); break;
            case RGN_DIFF: status = cairo_region_subtract(result, source2->region); break;
            case RGN_COPY: break;
            default: status = CAIRO_STATUS_INVALID_STATUS; break;
        }
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        cairo_region_destroy(result);
        return RGN_ERROR;
    }
    cairo_region_destroy(destination->region);
    destination->region = result;
    return KindOf(result);
}

BOOL DeleteObject(HRGN region) {
    if (!region) return FALSE;
    cairo_region_destroy(region->region);
    delete region;
    return TRUE;
}

int SetWindowRgn(HWND hwnd, HRGN region, BOOL) {
    RecordPtr record = FindOwnRecord(hwnd);
    if (!record) return 0;
    if (record->display) {
        if (region) {
            std::vector<XRectangle> rects;
            const int count = cairo_region_num_rectangles(region->region);
            for (int i = 0; i < count; ++i) {
                cairo_rectangle_int_t r;
                cairo_region_get_rectangle(region->region, i, &r);
                rects.push_back(XRectangle{static_cast<short>(r.x), static_cast<short>(r.y),
                                           static_cast<unsigned short>(r.width),
                                           static_cast<unsigned short>(r.height)});
            }
            zovi::platform::window_detail::SetShapeRectangles(record->display, hwnd, ShapeBounding, rects);
        } else {
            zovi::platform::window_detail::ClearShape(record->display, hwnd, ShapeBounding);
        }
        XFlush(record->display);
    }
    WindowRegions::Get().Set(hwnd, region);
    return 1;
}

namespace zovi::platform {

std::vector<RECT> RegionRectangles(HRGN region) {
    std::vector<RECT> out;
    if (!region) return out;
    const int count = cairo_region_num_rectangles(region->region);
    for (int i = 0; i < count; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(region->region, i, &r);
        out.push_back(RECT{r.x, r.y, r.x + r.width, r.y + r.height});
    }
    return out;
}

}  // namespace zovi::platform
