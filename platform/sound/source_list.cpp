#include "platform/sound/source_list.h"

#include "platform/sound/pulse_connection.h"

namespace zovi::platform {

namespace {

void OnSource(pa_context*, const pa_source_info* info, int eol, void* data) {
    if (eol != 0 || !info) return;
    SoundSourceInfo entry;
    entry.name = info->name ? info->name : "";
    entry.description = info->description ? info->description : "";
    entry.isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
    entry.unplugged = info->active_port && info->active_port->available == PA_PORT_AVAILABLE_NO;
    static_cast<std::vector<SoundSourceInfo>*>(data)->push_back(std::move(entry));
}

}  // namespace

bool ListSoundSources(std::vector<SoundSourceInfo>* sources) {
    sources->clear();
    CPulseConnection connection;
    if (!connection.Connect("Zovi devices")) return false;
    return connection.WaitForOperation(
        pa_context_get_source_info_list(connection.Context(), &OnSource, sources));
}

}  // namespace zovi::platform
