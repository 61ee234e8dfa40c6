#include "tray/tray_services.h"

#include "tray/main_forwarder.h"
#include "tray/tray_hotkeys.h"
#include "tray/tray_settings.h"

namespace {

class CTrayServices final : public ITrayServices {
public:
    void SendCommandToMain(UINT id, HWND tray) override { ::SendCommandToMain(id, tray); }
    void SendCommandToRunningMain(UINT id, HWND tray) override { ::SendCommandToRunningMain(id, tray); }
    void RegisterHotkeys(HWND tray, std::set<int>& registered) override { ::RegisterHotkeys(tray, registered); }
    void UnregisterHotkeys(HWND tray, std::set<int>& registered) override { ::UnregisterHotkeys(tray, registered); }
    void ApplyLanguage() override { ::ApplyLanguage(); }
    std::wstring ReadLanguage() override {
        std::wstring lang;  // no default, nothing written
        TraySettings().GetString(lang, L"lang", nullptr, false);
        return lang;
    }
};

}  // namespace

std::unique_ptr<ITrayServices> MakeTrayServices() { return std::make_unique<CTrayServices>(); }
