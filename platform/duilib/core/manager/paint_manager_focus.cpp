// CPaintManagerUI: keyboard focus — Tab and Shift+Tab through the tab stops, and focus
// that goes when its control can no longer hold it (hidden, disabled).
#include <vector>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/manager/paint_manager_impl.h"

namespace DuiLib {
namespace {

bool InSubtree(const CControlUI* control, const CControlUI* top) {
    for (const CControlUI* c = control; c; c = c->GetParent()) {
        if (c == top) return true;
    }
    return false;
}

}  // namespace

bool CPaintManagerUI::CanTakeFocus(const CControlUI* control) const {
    if (!control || control->GetManager() != this || !control->IsEnabled()) return false;
    if (!(control->GetControlFlags() & UIFLAG_TABSTOP)) return false;
    for (const CControlUI* c = control; c; c = c->GetParent()) {
        if (!c->IsVisible()) return false;
    }
    return true;
}

bool CPaintManagerUI::SetNextTabControl(bool forward) {
    std::vector<CControlUI*> order;  // every control, tree order
    ForEachControl(m_pRoot, [&order](CControlUI* c) { order.push_back(c); });
    const int count = static_cast<int>(order.size());
    if (count == 0) return false;
    // Start beside the focused control (even one that can no longer take focus), or
    // before the first / after the last control.
    int at = forward ? -1 : count;
    for (int i = 0; i < count; ++i) {
        if (order[static_cast<size_t>(i)] == m_pFocus) at = i;
    }
    const int step = forward ? 1 : -1;
    for (int n = 1; n <= count; ++n) {
        const int i = ((at + step * n) % count + count) % count;
        CControlUI* candidate = order[static_cast<size_t>(i)];
        if (!CanTakeFocus(candidate)) continue;
        SetFocus(candidate);
        return true;
    }
    return false;
}

void CPaintManagerUI::ControlUnavailable(CControlUI* control) {
    if (!control || !m_pFocus || !InSubtree(m_pFocus, control)) return;
    bool holds = m_pFocus->IsEnabled();
    for (const CControlUI* c = m_pFocus; c && holds; c = c->GetParent()) holds = c->IsVisible();
    if (!holds) SetFocus(nullptr);
}

}  // namespace DuiLib
