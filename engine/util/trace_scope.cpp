#include "engine/util/trace_scope.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>

#include "engine/util/av_log.h"

namespace zovi::engine {

CTraceScope::CTraceScope(const char* name, const void* object) {
    char address[2 * sizeof(uintptr_t) + 1];
    std::snprintf(address, sizeof(address), "%08" PRIXPTR, reinterpret_cast<uintptr_t>(object));
    text_ = std::string(name ? name : "") + address;
    // The text is an argument, never the format: a '%' in a name stays text.
    AvLogInfo("%s Enter...", text_.c_str());
}

CTraceScope::~CTraceScope() { AvLogInfo("%s Leave...", text_.c_str()); }

}  // namespace zovi::engine
