// FFmpeg's and SDL's own log output, routed into the process-wide logger.
#pragma once
#include <cstdarg>

#include <SDL2/SDL_log.h>

// For av_log_set_callback: levels above 24 (warning) are ignored; the message is logged
// as "FFMPEG[level] text", at ERROR for levels up to 16, else at INFO.
void FFmpegLogCallback(void* context, int level, const char* format, va_list args);
// For SDL_LogSetOutputFunction: logged at INFO as "SDL [priority] text, ".
void SdlLogOutput(void* userdata, int category, SDL_LogPriority priority, const char* message);
