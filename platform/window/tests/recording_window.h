#pragma once
// A window class for tests whose procedure logs every message it gets and lets each test
// handle some of them itself before the default procedure runs.

#include <functional>
#include <vector>

#include "platform/window/window.h"

namespace zovi::platform::testing {

struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

inline std::vector<Seen>& Log() {
    static std::vector<Seen> log;
    return log;
}

// Per-test behaviour: returns true when it handled the message (with `result`).
inline std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>& Hook() {
    static std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> hook;
    return hook;
}

inline LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Log().push_back({hwnd, message, wParam, lParam});
    LRESULT result = 0;
    if (Hook() && Hook()(hwnd, message, wParam, lParam, result)) return result;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Registers the recording class under `name` once per process; nullptr when that fails.
inline const wchar_t* RecordingClass(const wchar_t* name, HCURSOR cursor = nullptr) {
    static const bool registered = [&] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = RecordingProc;
        wc.hCursor = cursor;
        wc.lpszClassName = name;
        return RegisterClassExW(&wc) != 0;
    }();
    return registered ? name : nullptr;
}

}  // namespace zovi::platform::testing
