// Symbol names, source files and lines of code addresses in the running process, from
// the debug information of its modules (libdw). Not signal-safe: it allocates and reads
// files.
#pragma once
#include <cstddef>
#include <cstdint>

struct Dwfl;

namespace zovi::platform {

class CSymbolizer {
public:
    CSymbolizer() = default;
    ~CSymbolizer();
    CSymbolizer(const CSymbolizer&) = delete;
    CSymbolizer& operator=(const CSymbolizer&) = delete;

    // Reports the process's modules; `extraDebugPath` (may be null) is searched for
    // separate debug files too. False when no session can be made.
    bool Open(const char* extraDebugPath);
    bool IsOpen() const { return dwfl_ != nullptr; }

    // The demangled symbol name (cut to `capacity`) and the offset of the address into
    // it. False when none is known.
    bool Symbol(uint64_t address, char* name, size_t capacity, uint64_t* offset) const;
    // The source file (full path) and line of the address. False when none is known.
    bool Line(uint64_t address, char* file, size_t capacity, int* line) const;

private:
    ::Dwfl* dwfl_ = nullptr;
    char* debugPath_ = nullptr;
};

// The demangled form of a C++ symbol name into `out`; the name itself when it is not
// mangled.
void DemangleSymbol(const char* name, char* out, size_t capacity);

}  // namespace zovi::platform
