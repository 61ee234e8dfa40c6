// SDL's driver choice for the player: X11 video (our windows are X windows, never
// Wayland surfaces), PulseAudio sound, and the software renderer, which draws into a
// foreign window from any one thread without a GL context. Variables set in the
// environment (SDL_VIDEODRIVER, SDL_AUDIODRIVER, SDL_RENDER_DRIVER) win.
#pragma once

namespace zovi::engine {

// Sets the hints; call before SDL_Init. SDL's signal handlers stay off as well.
void PrepareSdlDrivers();

// PrepareSdlDrivers, Xlib's thread set-up, then SDL's video and audio subsystems where
// they are not running yet. False when either cannot start.
bool EnsureSdlForPlayer();

}  // namespace zovi::engine
