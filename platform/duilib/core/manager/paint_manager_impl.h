// The paint manager's inner state, shared by its source files (one job each: tree and
// names, painting, input, notifications and delayed free, timers, tooltips, resources).
#pragma once
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/duilib/controls/container.h"
#include "platform/duilib/core/manager/paint_manager.h"

namespace DuiLib {

struct CPaintManagerUI::Impl {
    // Names, rebuilt from the tree when something changed (first in tree order wins).
    std::unordered_map<std::wstring, CControlUI*> names;
    bool namesDirty = true;
    std::map<std::wstring, std::vector<CControlUI*>> groups;

    std::vector<INotifyUI*> notifiers;
    std::vector<IMessageFilterUI*> preFilters;
    std::vector<ITranslateAccelerator*> translators;

    // Removed controls and the dispatch depth at their removal.
    struct Delayed {
        CControlUI* control;
        int depth;
    };
    std::vector<Delayed> delayed;
    bool reapPosted = false;
    int handlerNesting = 0;  // MessageHandler calls of this manager on the stack

    struct Timer {
        CControlUI* control;
        UINT id;
        UINT_PTR windowId;
    };
    std::vector<Timer> timers;
    UINT_PTR nextTimerId = kFirstControlTimer;

    POINT lastMouse{};
    SIZE client{};  // from WM_SIZE, for a manager without a window
    cairo_surface_t* buffer = nullptr;  // the back buffer

    std::map<std::wstring, TImagePtr> images;

    // Tooltip: the control the pointer rests on and the window timers of the delay.
    CControlUI* tipControl = nullptr;
    bool tipShown = false;

    // Cleared when the manager dies: code that raised events checks it before going on
    // (a handler may have dropped the window that owns this manager).
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);

    std::thread::id thread = std::this_thread::get_id();
    bool threadLogged = false;
};

// Window timer ids of the tooltip (inside the library's range, above the controls').
inline constexpr UINT_PTR kToolTipShowTimer = 0x7FFFFFF0;
inline constexpr UINT_PTR kToolTipHideTimer = 0x7FFFFFF1;

// Every control of a subtree, parents before children (tree order).
template <typename Visit>
void ForEachControl(CControlUI* control, const Visit& visit) {
    if (!control) return;
    visit(control);
    if (auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"))) {
        for (int i = 0; i < container->GetCount(); ++i) ForEachControl(container->GetItemAt(i), visit);
    }
}

}  // namespace DuiLib
