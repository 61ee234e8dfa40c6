// The engine's two log entry points. They write through FFmpeg's log with no context,
// so engine lines and library lines share one route into the program's log.
#pragma once

namespace zovi::engine {

// An ordinary line, at FFmpeg's warning level (24), which the program's route lets pass.
void AvLogInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
// An error line, at FFmpeg's error level (16).
void AvLogError(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace zovi::engine
