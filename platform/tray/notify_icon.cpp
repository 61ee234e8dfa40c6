// Shell_NotifyIconW: the process's notification-area icons by (owner window, id), each
// shown by the backend that took it when it was added.
#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

#include "platform/tray/notify_backend.h"

namespace zovi::platform::tray {
namespace {

struct ShownIcon {
    IconState state;
    std::unique_ptr<NotifyBackend> backend;
};

struct IconTable {
    std::mutex mutex;
    std::map<std::pair<HWND, UINT>, ShownIcon> icons;
};

// Never destroyed: icons still shown at exit go with the process's X connection.
IconTable& Table() {
    static auto* table = new IconTable;
    return *table;
}

// The members `data.uFlags` names, copied into `state` (the pixels too).
void TakeFields(const NOTIFYICONDATAW& data, IconState* state) {
    if (data.uFlags & NIF_MESSAGE) state->callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON)
        state->icon = data.hIcon ? std::make_shared<const ZoviIcon>(*data.hIcon) : nullptr;
    if (data.uFlags & NIF_TIP) {
        const wchar_t* end = std::find(std::begin(data.szTip), std::end(data.szTip), L'\0');
        state->tip.assign(std::begin(data.szTip), end);
    }
}

// The StatusNotifierItem when a watcher is there, else the XEmbed panel; null when
// neither shows it.
std::unique_ptr<NotifyBackend> Show(const IconState& state) {
    if (auto item = MakeStatusNotifierBackend(); item && item->Add(state)) return item;
    auto xembed = MakeXEmbedBackend();
    if (xembed->Add(state)) return xembed;
    return nullptr;
}

}  // namespace
}  // namespace zovi::platform::tray

BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) {
    using namespace zovi::platform::tray;
    if (!data) return FALSE;
    IconTable& table = Table();
    std::lock_guard lock(table.mutex);
    const auto key = std::make_pair(data->hWnd, data->uID);
    const auto found = table.icons.find(key);
    switch (message) {
    case NIM_ADD: {
        if (found != table.icons.end()) return FALSE;
        IconState state;
        state.owner = data->hWnd;
        state.id = data->uID;
        TakeFields(*data, &state);
        auto backend = Show(state);
        if (!backend) return FALSE;
        table.icons.emplace(key, ShownIcon{std::move(state), std::move(backend)});
        return TRUE;
    }
    case NIM_MODIFY: {
        if (found == table.icons.end()) return FALSE;
        TakeFields(*data, &found->second.state);
        return found->second.backend->Modify(found->second.state) ? TRUE : FALSE;
    }
    case NIM_DELETE:
        if (found == table.icons.end()) return FALSE;
        found->second.backend->Remove();
        table.icons.erase(found);
        return TRUE;
    default:
        return FALSE;
    }
}
