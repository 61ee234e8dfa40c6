#include "platform/crash/symbolizer.h"

#include <cxxabi.h>
#include <elfutils/libdwfl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace zovi::platform {

namespace {

void CopyCut(const char* text, char* out, size_t capacity) {
    if (!capacity) return;
    size_t length = std::strlen(text);
    if (length >= capacity) length = capacity - 1;
    std::memcpy(out, text, length);
    out[length] = '\0';
}

}  // namespace

void DemangleSymbol(const char* name, char* out, size_t capacity) {
    int status = -1;
    char* demangled = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    CopyCut(status == 0 && demangled ? demangled : name, out, capacity);
    std::free(demangled);
}

CSymbolizer::~CSymbolizer() {
    if (dwfl_) dwfl_end(dwfl_);
    std::free(debugPath_);
}

bool CSymbolizer::Open(const char* extraDebugPath) {
    if (dwfl_) return true;
    // The standard places, then the program's own folder.
    const char* standard = "-.debug:/usr/lib/debug";
    size_t length = std::strlen(standard) + (extraDebugPath ? std::strlen(extraDebugPath) + 1 : 0) + 1;
    debugPath_ = static_cast<char*>(std::malloc(length));
    if (!debugPath_) return false;
    std::strcpy(debugPath_, standard);
    if (extraDebugPath && *extraDebugPath) {
        std::strcat(debugPath_, ":");
        std::strcat(debugPath_, extraDebugPath);
    }
    static Dwfl_Callbacks callbacks{};
    callbacks.find_elf = dwfl_linux_proc_find_elf;
    callbacks.find_debuginfo = dwfl_standard_find_debuginfo;
    callbacks.debuginfo_path = &debugPath_;
    dwfl_ = dwfl_begin(&callbacks);
    if (!dwfl_) return false;
    dwfl_report_begin(dwfl_);
    int reported = dwfl_linux_proc_report(dwfl_, getpid());
    if (dwfl_report_end(dwfl_, nullptr, nullptr) != 0 || reported != 0) {
        dwfl_end(dwfl_);
        dwfl_ = nullptr;
        return false;
    }
    return true;
}

bool CSymbolizer::Symbol(uint64_t address, char* name, size_t capacity, uint64_t* offset) const {
    if (!dwfl_) return false;
    Dwfl_Module* module = dwfl_addrmodule(dwfl_, address);
    if (!module) return false;
    GElf_Off symbolOffset = 0;
    GElf_Sym symbol;
    const char* raw = dwfl_module_addrinfo(module, address, &symbolOffset, &symbol, nullptr, nullptr, nullptr);
    if (!raw) return false;
    DemangleSymbol(raw, name, capacity);
    *offset = symbolOffset;
    return true;
}

bool CSymbolizer::Line(uint64_t address, char* file, size_t capacity, int* line) const {
    if (!dwfl_) return false;
    Dwfl_Module* module = dwfl_addrmodule(dwfl_, address);
    if (!module) return false;
    Dwfl_Line* found = dwfl_module_getsrc(module, address);
    if (!found) return false;
    int lineNumber = 0;
    const char* source = dwfl_lineinfo(found, nullptr, &lineNumber, nullptr, nullptr, nullptr);
    if (!source) return false;
    if (source[0] != '/') {
        // Relative to the compilation folder.
        const char* compDir = dwfl_line_comp_dir(found);
        if (compDir && *compDir) {
            size_t dirLength = std::strlen(compDir);
            if (dirLength + 2 < capacity) {
                std::memcpy(file, compDir, dirLength);
                file[dirLength] = '/';
                CopyCut(source, file + dirLength + 1, capacity - dirLength - 1);
                *line = lineNumber;
                return true;
            }
        }
    }
    CopyCut(source, file, capacity);
    *line = lineNumber;
    return true;
}

}  // namespace zovi::platform
