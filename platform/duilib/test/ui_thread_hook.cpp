#include "platform/duilib/test/ui_thread_hook.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/window/window.h"

namespace DuiLib::test {

namespace {

constexpr UINT kRunTask = WM_APP + 0x3FF0;
constexpr const wchar_t* kHookClass = L"DuiTestUiThreadHook";

struct Task {
    std::function<void()> work;
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
};

LRESULT HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRunTask) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    // The posted message holds one reference of the task.
    std::unique_ptr<std::shared_ptr<Task>> holder(reinterpret_cast<std::shared_ptr<Task>*>(lParam));
    Task& task = **holder;
    task.work();
    std::lock_guard guard(task.lock);
    task.done = true;
    task.finished.notify_all();
    return 0;
}

}  // namespace

CUiThreadHook::CUiThreadHook() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = HookProc;
    wc.lpszClassName = kHookClass;
    ::RegisterClassExW(&wc);  // fails harmlessly when registered before
    m_hWnd = ::CreateWindowExW(0, kHookClass, L"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
}

CUiThreadHook::~CUiThreadHook() {
    if (!m_hWnd) return;
    // Tasks posted too late to run: their waiters gave up; their references go here.
    MSG msg{};
    while (::PeekMessageW(&msg, m_hWnd, kRunTask, kRunTask, PM_REMOVE)) {
        delete reinterpret_cast<std::shared_ptr<Task>*>(msg.lParam);
    }
    ::DestroyWindow(m_hWnd);
}

bool CUiThreadHook::Run(std::function<void()> task, std::chrono::milliseconds timeout) {
    auto shared = std::make_shared<Task>();
    shared->work = std::move(task);
    auto* posted = new std::shared_ptr<Task>(shared);
    if (!m_hWnd || !::PostMessageW(m_hWnd, kRunTask, 0, reinterpret_cast<LPARAM>(posted))) {
        delete posted;
        return false;
    }
    std::unique_lock guard(shared->lock);
    return shared->finished.wait_for(guard, timeout, [&] { return shared->done; });
}

void CUiThreadHook::RunWithDriver(const std::function<void()>& driver) {
    std::atomic<bool> done{false};
    std::thread thread([&] {
        driver();
        done = true;
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the loop below
    });
    MSG msg{};
    while (!done && ::GetMessageW(&msg, 0, 0, 0) > 0) {
        if (CPaintManagerUI::TranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    thread.join();
}

bool CUiThreadHook::WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::optional<bool> holds = Call(condition, timeout);
        if (holds && *holds) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace DuiLib::test
