#include "core/log/media_log.h"

#include <cstdio>
#include <string>

#include "core/log/logger.h"
#include "platform/base/utf8.h"

void FFmpegLogCallback(void* /*context*/, int level, const char* format, va_list args) {
    if (level > 24 || !format) return;
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) return;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    std::wstring wide = zovi::platform::Utf8ToWide(text);
    GetGlobalLogger().Log(level <= 16 ? LOG_LEVEL_ERROR : LOG_LEVEL_INFO, L"FFMPEG[%d] %s", level, wide.c_str());
}

void SdlLogOutput(void* /*userdata*/, int /*category*/, SDL_LogPriority priority, const char* message) {
    std::wstring wide = zovi::platform::Utf8ToWide(message ? message : "");
    GetGlobalLogger().Info(L"SDL [%d] %s, \n", static_cast<int>(priority), wide.c_str());
}
