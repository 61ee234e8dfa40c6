// The X window's map state and geometry: requests we send, and the server's
// ConfigureNotify, which turns into WM_MOVE / WM_SIZE only for changes we did not ask for.
#include <algorithm>

#include "platform/window/window_internal.h"

namespace zovi::platform::window_detail {

namespace {

constexpr size_t kRememberedRequests = 16;

}  // namespace

void ApplyXMapping(WindowRecord& record) {
    if (!UsableDisplay(record)) return;
    const bool wanted = record.visible && record.width > 0 && record.height > 0;
    if (wanted == record.xMapped) return;
    record.xMapped = wanted;
    if (wanted) {
        XMapWindow(record.display, record.hwnd);
    } else if (record.style & WS_CHILD || record.overrideRedirect) {
        XUnmapWindow(record.display, record.hwnd);
    } else {
        // A managed window is withdrawn (the window manager hears of it too).
        XWithdrawWindow(record.display, record.hwnd, DefaultScreen(record.display));
    }
}

void RequestXGeometry(WindowRecord& record) {
    if (!UsableDisplay(record)) return;
    RequestedGeometry request{record.x, record.y, std::max(record.width, 1), std::max(record.height, 1),
                              NextRequest(record.display)};
    XMoveResizeWindow(record.display, record.hwnd, request.x, request.y, static_cast<unsigned>(request.width),
                      static_cast<unsigned>(request.height));
    record.requested.push_back(request);
    if (record.requested.size() > kRememberedRequests) record.requested.pop_front();
}

void MessageQueue::HandleConfigure(const RecordPtr& record, const XConfigureEvent& event) {
    // Inside a window manager's frame, a real event gives the position in the frame;
    // only the manager's synthetic ones give it on the root.
    const bool positionKnown = (record->style & WS_CHILD) || !record->reparented || event.send_event;
    auto& requested = record->requested;
    // Made before the server saw our latest request: that request's own event follows.
    if (!requested.empty() && event.serial < requested.back().serial) return;
    // The answer to one of our requests (a window manager may answer late, after we
    // asked again, and twice: a real event and a synthetic one): the window already
    // heard of that geometry. Requests older than the one answered are done with.
    auto answered = std::find_if(requested.begin(), requested.end(), [&](const RequestedGeometry& g) {
        return g.width == event.width && g.height == event.height &&
               (!positionKnown || (g.x == event.x && g.y == event.y));
    });
    if (answered != requested.end()) {
        requested.erase(requested.begin(), answered);
        return;
    }
    // Someone else moved or sized the window.
    requested.clear();
    const bool moved = positionKnown && (event.x != record->x || event.y != record->y);
    const bool sized = event.width != std::max(record->width, 1) || event.height != std::max(record->height, 1);
    if (moved) record->x = event.x, record->y = event.y;
    if (sized) record->width = event.width, record->height = event.height;
    const HWND hwnd = record->hwnd;
    if (moved) CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(event.x, event.y));
    // Unless the WM_MOVE handler changed the size again (and sent its own WM_SIZE).
    if (sized && record->width == event.width && record->height == event.height) {
        CallProc(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(event.width, event.height));
    }
}

}  // namespace zovi::platform::window_detail
