#include "platform/duilib/core/string/dui_log.h"

#include <cstdio>
#include <mutex>
#include <set>

#include "platform/base/utf8.h"

namespace DuiLib {
namespace {

void StderrSink(int level, const wchar_t* text) {
    const std::string line = zovi::platform::WideToUtf8(text);
    std::fprintf(stderr, "duilib %s: %s\n", level == kLogError ? "error" : "info", line.c_str());
}

// The library's only lock: the sink and the keys seen may be touched from any thread.
struct LogState {
    std::mutex mutex;
    LogSink sink = &StderrSink;
    std::set<std::wstring> seen;
};

LogState& State() {
    static LogState* state = new LogState;  // never destroyed: logging may happen during exit
    return *state;
}

void Write(int level, const std::wstring& text) {
    LogState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.sink(level, text.c_str());
}

}  // namespace

void SetLogSink(LogSink sink) {
    LogState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.sink = sink ? sink : &StderrSink;
}

void LogError(const std::wstring& text) { Write(kLogError, text); }
void LogInfo(const std::wstring& text) { Write(kLogInfo, text); }

void LogOnce(const std::wstring& key, const std::wstring& text) {
    LogState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.seen.insert(key).second) return;
    state.sink(kLogError, text.c_str());
}

void ResetLogOnce() {
    LogState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.seen.clear();
}

}  // namespace DuiLib
