// The report text's sections: the exception line, the call stack, the developer
// entries, processor, system and context, the loaded modules; and the walk lines that the
// stack file shares. Stage B of a crash: symbols and lines come from libdw.
#pragma once
#include <cstdint>

#include "crashrep/report_text.h"
#include "platform/crash/exception_record.h"
#include "platform/crash/process_modules.h"
#include "platform/crash/stack_walk.h"
#include "platform/crash/symbolizer.h"
#include "platform/crash/system_info.h"

namespace zovi::crashrep {

inline constexpr int kMaxWalkSteps = 301;

// What the signal-safe part of a crash gathered for the text.
struct CrashFacts {
    const platform::CProcessModules& modules;
    const platform::CrashSystemInfo& system;
    const platform::StackFrame* frames;  // frame 0 is the faulting instruction
    int frameCount;
};

// Writes the whole report text into `fd`.
void WriteReportText(int fd, const EXCEPTION_POINTERS& pointers, const CrashFacts& facts,
                     const platform::CSymbolizer& symbols);

// "0x%08lx[ <module>!0x%08lx][ <symbol>+0x%x][ (<file>,<line>)]". A return address is
// looked up one byte back, inside the call that returns there.
void WriteFrameText(CReportText& report, const platform::CProcessModules& modules,
                    const platform::CSymbolizer& symbols, const platform::StackFrame* frame,
                    uint64_t address, bool returnAddress);
// "(%#lx,%#lx,%#lx,%#lx)\n": the frame's four words.
void WriteParams(CReportText& report, const platform::StackFrame& frame);

}  // namespace zovi::crashrep
