#include "core/options/store_damage.h"

#include <mutex>
#include <vector>

#include "core/log/logger.h"
#include "platform/registry/registry.h"

namespace {

struct PendingNotes {
    std::mutex lock;
    std::vector<std::wstring> notes;
};

PendingNotes& Notes() {
    static auto* notes = new PendingNotes;  // never destroyed: used at static exit
    return *notes;
}

}  // namespace

void NoteSettingsProblem(const std::wstring& text) {
    std::lock_guard<std::mutex> guard(Notes().lock);
    Notes().notes.push_back(text);
}

void ReportSettingsStoreDamage() {
    for (const std::wstring& report : zovi::platform::TakeRegistryDamageReports())
        GetGlobalLogger().Error(L"%s\n", report.c_str());
    std::vector<std::wstring> notes;
    {
        std::lock_guard<std::mutex> guard(Notes().lock);
        notes.swap(Notes().notes);
    }
    for (const std::wstring& note : notes) GetGlobalLogger().Error(L"%s\n", note.c_str());
}
