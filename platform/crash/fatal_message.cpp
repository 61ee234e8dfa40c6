#include "platform/crash/fatal_message.h"

#include <atomic>

namespace zovi::platform {
namespace {
std::atomic<FatalMessageSink> gSink{nullptr};
}  // namespace

void SetFatalMessageSink(FatalMessageSink sink) { gSink.store(sink); }

void ReportFatalMessage(const wchar_t* text) {
    if (FatalMessageSink sink = gSink.load()) sink(text);
}

}  // namespace zovi::platform
