// The test hook of X tests: the UI loop runs on the test's main thread (inside modal
// loops too) while a driver thread moves the pointer and asks for state; the hook runs
// a closure on the UI thread and waits for its result.
//
// Threading: construct and destroy on the UI thread (it makes a hidden helper window of
// that thread); Run and Call from any other thread.
#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "platform/window/window_types.h"

namespace DuiLib::test {

class CUiThreadHook {
public:
    CUiThreadHook();
    ~CUiThreadHook();
    CUiThreadHook(const CUiThreadHook&) = delete;
    CUiThreadHook& operator=(const CUiThreadHook&) = delete;

    // Runs `task` on the UI thread the next time it dispatches; false when it did not
    // finish within `timeout` (it may still run later).
    bool Run(std::function<void()> task, std::chrono::milliseconds timeout = std::chrono::seconds(20));

    // The closure's result, or nothing on timeout.
    template <class F>
    auto Call(F f, std::chrono::milliseconds timeout = std::chrono::seconds(20))
        -> std::optional<decltype(f())> {
        auto result = std::make_shared<std::optional<decltype(f())>>();
        if (!Run([result, f]() mutable { result->emplace(f()); }, timeout)) return std::nullopt;
        return *result;
    }

    // On the UI thread: runs `driver` on a thread of its own while this thread dispatches
    // messages (through the loops' pre-translation); returns when the driver is done.
    void RunWithDriver(const std::function<void()>& driver);

    // Polls `condition` on the UI thread until it holds or `timeout` passes.
    bool WaitFor(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(20));

private:
    HWND m_hWnd = 0;
};

}  // namespace DuiLib::test
