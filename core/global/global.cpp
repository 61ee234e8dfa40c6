#include "core/global/global.h"

#include "core/files/data_folder.h"
#include "core/options/store_damage.h"

CGlobal::CGlobal() : log_(kAppLogFlags, static_cast<int>(logLevel)) {
    SetGlobalLogTarget(this);
    log_.Open(GetLogDirectory());
    // A damaged settings file found while the options loaded is reported once the log is open.
    ReportSettingsStoreDamage();
}

// Closing the log comes first; the settings are saved afterwards, when lines can no
// longer reach the log.
void CGlobal::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    SetGlobalLogTarget(nullptr);
    log_.Close();
    Save();
}

void CGlobal::Write(int level, const wchar_t* text) { log_.Write(level, text); }

void CGlobal::LogV(int level, const wchar_t* format, va_list args) { log_.LogV(level, format, args); }

CGlobal& GetGlobal() {
    static CGlobal* global = new CGlobal;
    // Made right after the object, so static destruction reaches it in the same place.
    static struct Closer {
        ~Closer() { global->Shutdown(); }
    } closer;
    return *global;
}
