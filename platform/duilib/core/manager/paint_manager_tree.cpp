// CPaintManagerUI: life, the window binding, the tree, names, option groups, hit testing.
#include <cairo.h>

#include <algorithm>
#include <string>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/manager/paint_manager_impl.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/window/window.h"

namespace DuiLib {

void RegisterManager(CPaintManagerUI* manager);    // paint_manager_notify.cpp
void UnregisterManager(CPaintManagerUI* manager);  // paint_manager_notify.cpp
void RegisterRenderLookups();                      // paint_manager_resources.cpp

CPaintManagerUI::CPaintManagerUI() : m_impl(std::make_unique<Impl>()) {
    RegisterRenderLookups();
    RegisterManager(this);
}

CPaintManagerUI::~CPaintManagerUI() {
    *m_impl->alive = false;
    HideToolTip();
    for (const Impl::Timer& timer : m_impl->timers) {
        if (m_hWndPaint) ::KillTimer(m_hWndPaint, timer.windowId);
    }
    m_impl->timers.clear();
    UnregisterManager(this);
    m_pFocus = m_pEventHover = m_pEventClick = nullptr;
    CControlUI* root = m_pRoot;
    m_pRoot = nullptr;
    delete root;
    ReapDelayed(true);
    if (m_impl->buffer) cairo_surface_destroy(m_impl->buffer);
}

void CPaintManagerUI::Init(HWND hWnd) {
    if (hWnd == m_hWndPaint) return;
    HideToolTip();
    CancelCapture();
    // Window timers die with their window; the controls' entries go with them.
    for (const Impl::Timer& timer : m_impl->timers) {
        if (m_hWndPaint) ::KillTimer(m_hWndPaint, timer.windowId);
    }
    m_impl->timers.clear();
    if (m_impl->buffer) {
        cairo_surface_destroy(m_impl->buffer);
        m_impl->buffer = nullptr;
    }
    m_hWndPaint = hWnd;
    m_impl->thread = std::this_thread::get_id();
    m_impl->threadLogged = false;
    m_bUpdateNeeded = true;
}

void CPaintManagerUI::CheckThread() const {
#ifndef NDEBUG
    if (m_impl->thread == std::this_thread::get_id() || m_impl->threadLogged) return;
    m_impl->threadLogged = true;
    LogError(L"a window's controls were used off its UI thread (window " + std::to_wstring(m_hWndPaint) + L")");
#endif
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
    if (m_pRoot && m_pRoot != root) {
        CControlUI* old = m_pRoot;
        m_pRoot = nullptr;
        ReapObjects(old);
        AddDelayedCleanup(old);
    }
    m_pFocus = m_pEventHover = m_pEventClick = nullptr;
    m_pRoot = root;
    m_impl->namesDirty = true;
    m_bUpdateNeeded = true;
    if (!root) return false;
    root->SetManager(this, nullptr, true);
    root->NeedUpdate();
    Invalidate();
    return true;
}

bool CPaintManagerUI::InitControls(CControlUI* control, CControlUI* /*parent*/) {
    if (!control) return false;
    m_impl->namesDirty = true;
    return true;
}

void CPaintManagerUI::NameChanged() { m_impl->namesDirty = true; }

void CPaintManagerUI::ReapObjects(CControlUI* control) {
    if (!control) return;
    m_impl->namesDirty = true;
    ForEachControl(control, [this](CControlUI* c) {
        if (m_pFocus == c) {
            m_pFocus = nullptr;
            c->m_bFocused = false;  // it leaves the tree: no KILLFOCUS to a control on its way out
        }
        if (m_pEventHover == c) m_pEventHover = nullptr;
        if (m_pEventClick == c) {
            m_pEventClick = nullptr;
            ReleaseCapture();
        }
        if (m_impl->tipControl == c) HideToolTip();
        for (auto it = m_impl->groups.begin(); it != m_impl->groups.end();) {
            std::erase(it->second, c);
            it = it->second.empty() ? m_impl->groups.erase(it) : std::next(it);
        }
        KillTimer(c);
        std::erase_if(m_impl->delayed, [c](const Impl::Delayed& d) { return d.control == c; });
    });
}

void CPaintManagerUI::ControlHidden(CControlUI* control) {
    ControlUnavailable(control);
    for (CControlUI* c = m_impl->tipControl; c; c = c->GetParent()) {
        if (c == control) {
            HideToolTip();
            return;
        }
    }
}

CControlUI* CPaintManagerUI::FindControl(const wchar_t* name) const {
    if (!name || !*name || !m_pRoot) return nullptr;
    if (m_impl->namesDirty) {
        m_impl->names.clear();
        ForEachControl(m_pRoot, [this](CControlUI* c) {
            const CDuiString controlName = c->GetName();
            if (!controlName.IsEmpty()) m_impl->names.emplace(controlName.str(), c);  // the first one stays
        });
        m_impl->namesDirty = false;
    }
    auto it = m_impl->names.find(name);
    return it == m_impl->names.end() ? nullptr : it->second;
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const { return m_pRoot ? m_pRoot->FindControlAt(pt) : nullptr; }

bool CPaintManagerUI::AddOptionGroup(const wchar_t* group, CControlUI* control) {
    if (!group || !*group || !control) return false;
    std::vector<CControlUI*>& members = m_impl->groups[group];
    if (std::find(members.begin(), members.end(), control) != members.end()) return false;
    members.push_back(control);
    return true;
}

const std::vector<CControlUI*>* CPaintManagerUI::GetOptionGroup(const wchar_t* group) const {
    if (!group) return nullptr;
    auto it = m_impl->groups.find(group);
    return it == m_impl->groups.end() ? nullptr : &it->second;
}

void CPaintManagerUI::RemoveOptionGroup(const wchar_t* group, CControlUI* control) {
    if (!group) return;
    auto it = m_impl->groups.find(group);
    if (it == m_impl->groups.end()) return;
    std::erase(it->second, control);
    if (it->second.empty()) m_impl->groups.erase(it);
}

}  // namespace DuiLib
