#include "engine/util/av_log.h"

#include <cstdarg>

extern "C" {
#include <libavutil/log.h>
}

namespace zovi::engine {

void AvLogInfo(const char* format, ...) {
    va_list args;
    va_start(args, format);
    av_vlog(nullptr, AV_LOG_WARNING, format, args);
    va_end(args);
}

void AvLogError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    av_vlog(nullptr, AV_LOG_ERROR, format, args);
    va_end(args);
}

}  // namespace zovi::engine
