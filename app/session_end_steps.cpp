#include "app/session_end_steps.h"

#include <SDL2/SDL.h>

#include "core/global/global.h"
#include "engine/controller/capture_controller.h"
#include "platform/window/message_loop.h"
#include "platform/x11/x11_init.h"

namespace {

void OnSessionEnd(zovi::platform::SessionEndCause cause) {
    if (cause != zovi::platform::SessionEndCause::kDisplayLost) return;
    CGlobal& global = GetGlobal();
    global.Warning(L"Session end: the connection to the X server was lost");
    global.Save();
}

}  // namespace

void ObserveSessionEnd() { zovi::platform::SetSessionEndObserver(OnSessionEnd); }

void FinishRunningRecording() {
    auto* controller = zovi::engine::CCaptureController::PeekInstance();
    if (controller && controller->GetState() != zovi::engine::kCaptureIdle) controller->Stop();
}

void QuitSdl() {
    if (zovi::platform::x11::LostConnectionCount() == 0) {
        SDL_Quit();
        return;
    }
    SDL_QuitSubSystem(SDL_INIT_EVERYTHING & ~SDL_INIT_VIDEO);
}
