// CPaintManagerUI: notifications (synchronous, re-entrant), pre-message filters,
// accelerators for the focused window, and the delayed free of removed controls.
#include <algorithm>

#include "platform/base/clock.h"
#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/manager/paint_manager_impl.h"
#include "platform/window/window.h"

namespace DuiLib {
namespace {

// The paint managers of this thread (for the loops' pre-translation).
std::vector<CPaintManagerUI*>& ThreadManagers() {
    thread_local std::vector<CPaintManagerUI*> managers;
    return managers;
}

template <typename T>
bool AddOnce(std::vector<T*>& list, T* item) {
    if (!item || std::find(list.begin(), list.end(), item) != list.end()) return false;
    list.push_back(item);
    return true;
}

template <typename T>
bool RemoveOne(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

template <typename T>
bool Contains(const std::vector<T*>& list, T* item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

void RegisterManager(CPaintManagerUI* manager) { ThreadManagers().push_back(manager); }
void UnregisterManager(CPaintManagerUI* manager) { std::erase(ThreadManagers(), manager); }

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) { return AddOnce(m_impl->notifiers, notifier); }
bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) { return RemoveOne(m_impl->notifiers, notifier); }
bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) { return AddOnce(m_impl->preFilters, filter); }
bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) { return RemoveOne(m_impl->preFilters, filter); }
bool CPaintManagerUI::AddTranslateAccelerator(ITranslateAccelerator* translator) {
    return AddOnce(m_impl->translators, translator);
}
bool CPaintManagerUI::RemoveTranslateAccelerator(ITranslateAccelerator* translator) {
    return RemoveOne(m_impl->translators, translator);
}

void CPaintManagerUI::SendNotify(CControlUI* control, const wchar_t* type, WPARAM wParam, LPARAM lParam) {
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = control;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg);
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg) {
    msg.dwTimestamp = static_cast<DWORD>(::GetTickCount64());
    msg.ptMouse = m_impl->lastMouse;
    // The nearest container with a virtual-window name around the sender names the page.
    if (msg.sVirtualWnd.IsEmpty()) {
        for (CControlUI* c = msg.pSender; c; c = c->GetParent()) {
            auto* container = static_cast<CContainerUI*>(c->GetInterface(L"Container"));
            if (container && !container->GetVirtualWnd().IsEmpty()) {
                msg.sVirtualWnd = container->GetVirtualWnd();
                break;
            }
        }
    }
    // Over a copy: handlers may add or remove notifiers, or drop this window.
    const std::vector<INotifyUI*> notifiers = m_impl->notifiers;
    const std::shared_ptr<bool> alive = m_impl->alive;
    for (INotifyUI* notifier : notifiers) {
        if (!*alive) return;
        if (Contains(m_impl->notifiers, notifier)) notifier->Notify(msg);
    }
}

bool CPaintManagerUI::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    const std::vector<IMessageFilterUI*> filters = m_impl->preFilters;
    const std::shared_ptr<bool> alive = m_impl->alive;
    for (IMessageFilterUI* filter : filters) {
        if (!*alive) return true;
        if (!Contains(m_impl->preFilters, filter)) continue;
        bool handled = false;
        lRes = filter->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) return true;
    }
    return false;
}

bool CPaintManagerUI::TranslateMessage(MSG* msg) {
    if (!msg || msg->message < WM_KEYDOWN || msg->message > WM_SYSCHAR) return false;
    // Only the paint manager of the window with the keyboard focus (or of the window the
    // key went to, when the thread has no focus window) translates.
    HWND target = ::GetFocus();
    if (!target) target = msg->hwnd;
    for (HWND hwnd = target; hwnd; hwnd = ::GetParent(hwnd)) {
        for (CPaintManagerUI* manager : ThreadManagers()) {
            if (manager->m_hWndPaint != hwnd) continue;
            const std::vector<ITranslateAccelerator*> translators = manager->m_impl->translators;
            for (ITranslateAccelerator* translator : translators) {
                if (translator->TranslateAccelerator(msg) == 0) return true;  // S_OK consumes the key
            }
            return false;
        }
    }
    return false;
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* control) {
    if (!control) return;
    m_impl->delayed.push_back(Impl::Delayed{control, zovi::platform::DispatchDepth()});
    // Removed outside this window's handlers: a message of our own makes sure the free
    // happens even when nothing else arrives (inside them, the outermost one posts it).
    if (m_impl->handlerNesting == 0 && m_hWndPaint && !m_impl->reapPosted &&
        ::PostMessageW(m_hWndPaint, WM_NULL, 0, 0)) {
        m_impl->reapPosted = true;
    }
}

void CPaintManagerUI::ReapDelayed(bool all) {
    m_impl->reapPosted = false;
    if (m_impl->delayed.empty()) return;
    const int depth = zovi::platform::DispatchDepth();
    std::vector<CControlUI*> free;
    std::erase_if(m_impl->delayed, [&](const Impl::Delayed& d) {
        // A message dispatched by a loop below the removal's depth: the code that removed
        // the control has returned.
        if (!all && d.depth < depth) return false;
        free.push_back(d.control);
        return true;
    });
    // What stays waits for a message at a lower depth (posting again here would spin a
    // nested loop).
    for (CControlUI* control : free) delete control;
}

}  // namespace DuiLib
