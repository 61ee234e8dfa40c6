// The main program's entry with one analytics event posted before anything else, the way
// a window posts one: its exit then has the event's exchange in progress when the
// service stalls.
#include "app/command_line.h"
#include "app/entry.h"
#include "online/analytics/analytics_controller.h"
#include "platform/window/message_loop.h"

int main(int argc, char** argv) {
    zovi::platform::HoldSessionEndSignals();
    SetProgramArguments(argc, argv);
    PostGAEvent("configure", "click", "login");
    return wWinMain(nullptr, nullptr, nullptr, 1);
}
