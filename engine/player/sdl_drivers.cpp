#include "engine/player/sdl_drivers.h"

#include <SDL2/SDL.h>

#include <initializer_list>

#include "engine/util/av_log.h"
#include "platform/x11/x11_init.h"

namespace zovi::engine {

void PrepareSdlDrivers() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "pulseaudio");
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    // The software renderer's window surface is X11's own image: SDL would otherwise
    // first try (and fail, slowly) to put an OpenGL texture behind a foreign window.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
}

bool EnsureSdlForPlayer() {
    PrepareSdlDrivers();
    // SDL's X connection is used from the render thread while ours serve the UI.
    platform::x11::InitX11();
    for (const Uint32 subsystem : {SDL_INIT_VIDEO, SDL_INIT_AUDIO}) {
        if (SDL_WasInit(subsystem)) continue;
        if (SDL_InitSubSystem(subsystem) != 0) {
            AvLogError("CFFStreamPlayer SDL_InitSubSystem(%u) failed: %s\n", subsystem, SDL_GetError());
            return false;
        }
    }
    return true;
}

}  // namespace zovi::engine
