#include "platform/duilib/core/window/notify_pump.h"

#include <string_view>

#include "platform/duilib/controls/control.h"

namespace DuiLib {

namespace {

const TNotifyMapEntry kPumpEntries[] = {{nullptr, nullptr, nullptr}};
const TNotifyMap kPumpMap{nullptr, kPumpEntries};

bool Same(const wchar_t* a, const wchar_t* b) { return std::wstring_view(a) == std::wstring_view(b); }

// The entry of one map for `type` from `name`: the named one, else the "any" one.
const TNotifyMapEntry* FindEntry(const TNotifyMap& map, const wchar_t* type, const std::wstring& name) {
    const TNotifyMapEntry* any = nullptr;
    for (const TNotifyMapEntry* e = map.entries; e && e->type; ++e) {
        if (!Same(e->type, type)) continue;
        if (!e->name) {
            if (!any) any = e;
        } else if (!name.empty() && Same(e->name, name.c_str())) {
            return e;
        }
    }
    return any;
}

}  // namespace

const TNotifyMap* CNotifyPump::GetThisMessageMap() { return &kPumpMap; }

const TNotifyMap* CNotifyPump::GetMessageMap() const { return GetThisMessageMap(); }

bool CNotifyPump::AddVirtualWnd(const CDuiString& name, CNotifyPump* pump) {
    if (name.IsEmpty() || !pump) return false;
    return m_VirtualWndMap.emplace(name.str(), pump).second;
}

bool CNotifyPump::RemoveVirtualWnd(const CDuiString& name) { return m_VirtualWndMap.erase(name.str()) > 0; }

bool CNotifyPump::LoopDispatch(TNotifyUI& msg) {
    const std::wstring name = msg.pSender ? msg.pSender->GetName().str() : std::wstring();
    for (const TNotifyMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        const TNotifyMapEntry* entry = FindEntry(*map, msg.sType.GetData(), name);
        if (!entry) continue;
        if (entry->handler) entry->handler(this, msg);
        return true;
    }
    return false;
}

void CNotifyPump::NotifyPump(TNotifyUI& msg) {
    if (!msg.sVirtualWnd.IsEmpty()) {
        auto it = m_VirtualWndMap.find(msg.sVirtualWnd.str());
        if (it != m_VirtualWndMap.end() && it->second->LoopDispatch(msg)) return;
    }
    LoopDispatch(msg);
}

}  // namespace DuiLib
