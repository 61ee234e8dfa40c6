// The main program "ZoviCapture": static construction in the order the program relies
// on, and main.
#include "core/app/command_line.h"
#include "core/app/entry.h"
#include "core/app/global.h"
#include "core/options/reg_values.h"
#include "core/traylink/tray_link.h"
#include "core/util/screen_scale.h"
#include "platform/registry/registry.h"

namespace {

// Runs before main: the screen scale, the settings key, then Global (settings loaded,
// log opened), then the shared window messages.
struct StaticStart {
    StaticStart() {
        GetScreenDpiScalePercent();  // measured once and kept for the windows
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            RegCloseKey(key);
        }
        GetGlobal();
        RegisterSharedMessages();
    }
};
StaticStart gStaticStart;

}  // namespace

int main(int argc, char** argv) {
    SetProgramArguments(argc, argv);
    return wWinMain(nullptr, nullptr, nullptr, 1);
}
