// Enabling and disabling windows; disabled windows get no pointer or key input.
#include "platform/base/last_error.h"
#include "platform/window/process_ids.h"
#include "platform/window/window_internal.h"

namespace zovi::platform::window_detail {

namespace {

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;

// On the owning thread, after the flag changed: a disabled window loses the pointer
// capture, then the window hears of the change.
void AfterEnableChange(HWND hwnd, bool enabled) {
    RecordPtr record = FindOwnRecord(hwnd);
    if (!record || record->enabled != enabled) return;  // gone, or changed again since
    MessageQueue& queue = MessageQueue::Current();
    if (!enabled && IsSelfOrDescendant(queue.capture, hwnd)) DropCapture(queue, true);
    CallProc(hwnd, WM_ENABLE, enabled ? TRUE : FALSE, 0);
}

}  // namespace

bool InputBlocked(HWND hwnd) {
    for (RecordPtr record = FindRecord(hwnd); record; record = FindRecord(record->parent)) {
        if (!record->enabled) return true;
        if (!(record->style & WS_CHILD)) break;
    }
    return false;
}

}  // namespace zovi::platform::window_detail

using namespace zovi::platform::window_detail;

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    RecordPtr record = FindRecord(hwnd);
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const bool want = enable != FALSE;
    const bool was = record->enabled.exchange(want);
    if (was != want) {
        if (record->threadId == GetCurrentThreadId()) {
            AfterEnableChange(hwnd, want);
        } else if (auto queue = record->queue.lock()) {
            queue->RunOnOwner([hwnd, want] { AfterEnableChange(hwnd, want); });
        }
    }
    return was ? FALSE : TRUE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    return record && record->enabled ? TRUE : FALSE;
}
