// Invalid areas and painting: an invalid visible window gets WM_PAINT when nothing else
// is pending.
#include <algorithm>

#include "platform/base/last_error.h"
#include "platform/window/window_internal.h"

using namespace zovi::platform::window_detail;

namespace {

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;

RecordPtr RecordOrFail(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    if (!record) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return record;
}

}  // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL) {
    RecordPtr record = RecordOrFail(hwnd);
    if (!record) return FALSE;
    {
        std::lock_guard lock(Registry::Get().lock);
        RECT area = rect ? *rect : RECT{0, 0, record->width, record->height};
        RECT& into = record->invalidRect;
        if (into.right <= into.left || into.bottom <= into.top) {
            into = area;
        } else {
            into = RECT{std::min(into.left, area.left), std::min(into.top, area.top), std::max(into.right, area.right),
                        std::max(into.bottom, area.bottom)};
        }
        record->invalid = true;
    }
    if (auto queue = record->queue.lock()) queue->Wake();
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) {
    RecordPtr record = RecordOrFail(hwnd);
    if (!record) return FALSE;
    std::lock_guard lock(Registry::Get().lock);
    record->invalid = false;
    record->invalidRect = RECT{};
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    RecordPtr record = RecordOrFail(hwnd);
    if (!record) return FALSE;
    bool due;
    {
        std::lock_guard lock(Registry::Get().lock);
        due = record->invalid && record->visible;
        if (due) {
            record->paintRect = record->invalidRect;
            record->invalidRect = RECT{};
            record->invalid = false;
        }
    }
    if (due) CallProc(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    RecordPtr record = RecordOrFail(hwnd);
    if (!record || !paint) return nullptr;
    std::lock_guard lock(Registry::Get().lock);
    // The area of the WM_PAINT being handled, and whatever became invalid since.
    RECT area = record->paintRect;
    if (record->invalid) {
        const RECT& more = record->invalidRect;
        area = (area.right <= area.left) ? more
                                         : RECT{std::min(area.left, more.left), std::min(area.top, more.top),
                                                std::max(area.right, more.right), std::max(area.bottom, more.bottom)};
    }
    record->invalid = false;
    record->invalidRect = RECT{};
    record->paintRect = RECT{};
    paint->hdc = reinterpret_cast<HDC>(hwnd);
    paint->fErase = FALSE;
    paint->rcPaint = area;
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }
