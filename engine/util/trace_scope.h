// Brackets a long operation with "<name><address> Enter..." and "... Leave..." lines.
#pragma once
#include <string>

namespace zovi::engine {

class CTraceScope {
public:
    // The text is the name followed directly by the address as at least eight
    // upper-case hexadecimal digits.
    CTraceScope(const char* name, const void* object);
    ~CTraceScope();
    CTraceScope(const CTraceScope&) = delete;
    CTraceScope& operator=(const CTraceScope&) = delete;

    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

}  // namespace zovi::engine
