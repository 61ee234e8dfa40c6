#include "core/options/store_damage.h"

#include "core/log/logger.h"
#include "platform/registry/registry.h"

void ReportSettingsStoreDamage() {
    for (const std::wstring& report : zovi::platform::TakeRegistryDamageReports())
        GetGlobalLogger().Error(L"%s\n", report.c_str());
}
