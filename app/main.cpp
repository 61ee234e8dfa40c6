// The main program "ZoviCapture": the session end held from its first instruction,
// static construction in the order the program relies on, and main.
#include <cstdlib>

#include "app/command_line.h"
#include "app/crash_hooks.h"
#include "app/entry.h"
#include "core/global/global.h"
#include "core/regvalues/reg_values.h"
#include "core/traylink/tray_link.h"
#include "core/util/screen_scale.h"
#include "platform/crash/fatal_message.h"
#include "platform/process/session_bus.h"
#include "platform/registry/registry.h"
#include "platform/window/message_loop.h"

namespace {

// The process's first instruction, before the libraries' and our own static construction:
// a session end (SIGTERM, SIGHUP, SIGINT) from here on waits for the message loop.
void HoldSessionEndFromTheStart(int, char**, char**) { zovi::platform::HoldSessionEndSignals(); }
[[gnu::used, gnu::section(".preinit_array")]] void (*const kHoldSessionEnd)(int, char**, char**) =
    HoldSessionEndFromTheStart;

// Runs before main: the crash report's fatal messages, the screen scale, the settings key,
// then Global (settings loaded, log opened, its path in the crash report), then the shared
// window messages.
struct StaticStart {
    StaticStart() {
        // Start-up tests: the start goes on once a session end has arrived.
        if (std::getenv("ZOVI_TEST_START_AWAITS_SESSION_END")) zovi::platform::AwaitHeldSessionEnd();
        // Before any thread: the player's SDL connects to the session bus.
        zovi::platform::PreventSessionBusAutolaunch();
        zovi::platform::SetFatalMessageSink(StoreFatalMessage);
        GetScreenDpiScalePercent();  // measured once and kept for the windows
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            RegCloseKey(key);
        }
        CAppLog& log = GetGlobal().AppLog();
        log.SetOpenedHook(StoreLogPath);
        StoreLogPath(log.GetPath());
        RegisterSharedMessages();
    }
};
StaticStart gStaticStart;

}  // namespace

int main(int argc, char** argv) {
    SetProgramArguments(argc, argv);
    return wWinMain(nullptr, nullptr, nullptr, 1);
}
