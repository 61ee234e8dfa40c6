#include "crashrep/report_sections.h"

#include <cstring>

#include "crashrep/crash_settings.h"
#include "crashrep/info_store.h"
#include "platform/crash/fixed_text.h"
#include "platform/crash/safe_process.h"
#include "platform/crash/signal_context.h"

namespace zovi::crashrep {

namespace {

constexpr size_t kMaxSymbol = 2000;

const char* ExceptionName(DWORD code) {
    switch (code) {
        case EXCEPTION_GUARD_PAGE: return "EXCEPTION_GUARD_PAGE";
        case EXCEPTION_DATATYPE_MISALIGNMENT: return "EXCEPTION_DATATYPE_MISALIGNMENT";
        case EXCEPTION_BREAKPOINT: return "EXCEPTION_BREAKPOINT";
        case EXCEPTION_SINGLE_STEP: return "EXCEPTION_SINGLE_STEP";
        case EXCEPTION_ACCESS_VIOLATION: return "EXCEPTION_ACCESS_VIOLATION";
        case EXCEPTION_IN_PAGE_ERROR: return "EXCEPTION_IN_PAGE_ERROR";
        case EXCEPTION_INVALID_HANDLE: return "EXCEPTION_INVALID_HANDLE";
        case EXCEPTION_ILLEGAL_INSTRUCTION: return "EXCEPTION_ILLEGAL_INSTRUCTION";
        case EXCEPTION_NONCONTINUABLE_EXCEPTION: return "EXCEPTION_NONCONTINUABLE_EXCEPTION";
        case EXCEPTION_INVALID_DISPOSITION: return "EXCEPTION_INVALID_DISPOSITION";
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return "EXCEPTION_ARRAY_BOUNDS_EXCEEDED";
        case EXCEPTION_FLT_DENORMAL_OPERAND: return "EXCEPTION_FLT_DENORMAL_OPERAND";
        case EXCEPTION_FLT_DIVIDE_BY_ZERO: return "EXCEPTION_FLT_DIVIDE_BY_ZERO";
        case EXCEPTION_FLT_INEXACT_RESULT: return "EXCEPTION_FLT_INEXACT_RESULT";
        case EXCEPTION_FLT_INVALID_OPERATION: return "EXCEPTION_FLT_INVALID_OPERATION";
        case EXCEPTION_FLT_OVERFLOW: return "EXCEPTION_FLT_OVERFLOW";
        case EXCEPTION_FLT_STACK_CHECK: return "EXCEPTION_FLT_STACK_CHECK";
        case EXCEPTION_FLT_UNDERFLOW: return "EXCEPTION_FLT_UNDERFLOW";
        case EXCEPTION_INT_DIVIDE_BY_ZERO: return "EXCEPTION_INT_DIVIDE_BY_ZERO";
        case EXCEPTION_INT_OVERFLOW: return "EXCEPTION_INT_OVERFLOW";
        case EXCEPTION_PRIV_INSTRUCTION: return "EXCEPTION_PRIV_INSTRUCTION";
        case EXCEPTION_STACK_OVERFLOW: return "EXCEPTION_STACK_OVERFLOW";
        case EXCEPTION_CPP: return "C++_EXCEPTION";
        default: return "EXCEPTION_UNKNOWN";
    }
}

void WriteExceptionLine(CReportText& report, const EXCEPTION_POINTERS& pointers) {
    const EXCEPTION_RECORD& record = *pointers.ExceptionRecord;
    report.Add(Settings().displayNameUtf8).Add(" (0x").AddHex(record.ExceptionCode, 8).Add(") ");
    report.Add(ExceptionName(record.ExceptionCode));
    if (pointers.SignalInfo) {
        const platform::SignalFacts signal = platform::FactsOfSignal(pointers.SignalInfo);
        if (signal.sentByOther) {
            // Another process sent it: nothing faulted, there is no address.
            report.Add(" (signal ").AddUnsigned(signal.signal).Add(" sent by process ");
            report.AddUnsigned(signal.senderPid).Add(")");
        }
    }
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
        const ULONG_PTR kind = record.ExceptionInformation[0];
        report.Add(" ").Add(kind == 0 ? "reading from" : kind == 1 ? "writing to" : "");
        report.Add(" 0x").AddHex(record.ExceptionInformation[1], 8);
    }
    report.Add(" at 0x").AddHex(reinterpret_cast<uintptr_t>(record.ExceptionAddress), 8).Add("\n");
}

void WriteContext(CReportText& report, const CONTEXT& c) {
    struct Reg {
        const char* name;
        uint64_t value;
    };
    const Reg first[] = {{"rax", c.Rax}, {"rbx", c.Rbx}, {"rcx", c.Rcx},
                         {"rdx", c.Rdx}, {"rsi", c.Rsi}, {"rdi", c.Rdi}};
    const Reg second[] = {{"r8", c.R8},   {"r9", c.R9},   {"r10", c.R10}, {"r11", c.R11},
                          {"r12", c.R12}, {"r13", c.R13}, {"r14", c.R14}, {"r15", c.R15}};
    const Reg third[] = {{"rip", c.Rip}, {"rsp", c.Rsp}, {"rbp", c.Rbp}};
    auto line = [&](const Reg* regs, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            report.Add(i ? " " : "").Add(regs[i].name).Add("=0x").AddHex(regs[i].value, 16);
        }
    };
    line(first, 6);
    report.Add("\n");
    line(second, 8);
    report.Add("\n");
    line(third, 3);
    report.Add(" efl=0x").AddHex(c.EFlags, 8).Add(" (iopl=").AddUnsigned((c.EFlags >> 12) & 3).Add(")\n");
    const Reg segments[] = {{"cs", c.SegCs}, {"ss", c.SegSs}, {"ds", c.SegDs},
                            {"es", c.SegEs}, {"fs", c.SegFs}, {"gs", c.SegGs}};
    for (size_t i = 0; i < 6; ++i) {
        report.Add(i ? " " : "").Add(segments[i].name).Add("=0x").AddHex(segments[i].value, 4);
    }
    report.Add("\n");
}

// The runtime's 24-character local date and time ("Thu Jun 28 17:22:42 2021").
void WriteCalendarTime(CReportText& report, uint32_t timestamp) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const struct tm local = platform::SafeLocalTime(timestamp);
    platform::CFixedString<32> text;
    text.Add(days[local.tm_wday % 7]).AddChar(' ').Add(months[local.tm_mon % 12]).AddChar(' ');
    if (local.tm_mday < 10) text.AddChar(' ');
    text.AddUnsigned(static_cast<uint64_t>(local.tm_mday)).AddChar(' ');
    text.AddPadded(static_cast<uint64_t>(local.tm_hour), 2).AddChar(':');
    text.AddPadded(static_cast<uint64_t>(local.tm_min), 2).AddChar(':');
    text.AddPadded(static_cast<uint64_t>(local.tm_sec), 2).AddChar(' ');
    text.AddUnsigned(static_cast<uint64_t>(local.tm_year + 1900));
    report.Add(text.Text());
}

void WriteVersion(CReportText& report, uint32_t ms, uint32_t ls) {
    report.AddUnsigned(ms >> 16).Add(".").AddUnsigned(ms & 0xFFFF).Add(".");
    report.AddUnsigned(ls >> 16).Add(".").AddUnsigned(ls & 0xFFFF);
}

void WriteModules(CReportText& report, const platform::CProcessModules& modules) {
    report.Add("\nLoaded modules:\n");
    for (size_t i = 0; i < modules.Count(); ++i) {
        const platform::CrashModule& m = modules.Module(i);
        report.Add(m.path).Add("\n");
        report.Add("    base=0x").AddHex(m.base).Add(" size=0x").AddHex(m.size);
        report.Add(" defaultbase=0x").AddHex(m.preferredBase, 8).Add("\n");
        report.Add("    timestamp=");
        WriteCalendarTime(report, m.timestamp);
        report.Add(" fileversion=");
        WriteVersion(report, m.version.fileMS, m.version.fileLS);
        report.Add(" productversion=");
        WriteVersion(report, m.version.productMS, m.version.productLS);
        report.Add("\n").Flush();
    }
}

}  // namespace

void WriteFrameText(CReportText& report, const platform::CProcessModules& modules,
                    const platform::CSymbolizer& symbols, const platform::StackFrame* frame,
                    uint64_t address, bool returnAddress) {
    report.Add("0x").AddHex(address, 8);
    if (const platform::CrashModule* module = modules.ModuleAt(address)) {
        const char* slash = std::strrchr(module->path, '/');
        report.Add(" ").Add(slash ? slash + 1 : module->path).Add("!0x");
        report.AddHex(module->preferredBase + address - module->base, 8);
    }
    uint64_t lookup = returnAddress && address ? address - 1 : address;
    static char name[kMaxSymbol + 1];
    uint64_t offset = 0;
    if (symbols.Symbol(lookup, name, sizeof name, &offset)) {
        report.Add(" ").Add(name).Add("+0x").AddHex(offset + (address - lookup));
    } else if (frame && frame->name[0]) {
        platform::DemangleSymbol(frame->name, name, sizeof name);
        report.Add(" ").Add(name).Add("+0x").AddHex(frame->offset);
    }
    static char file[4096];
    int line = 0;
    if (symbols.Line(lookup, file, sizeof file, &line)) {
        report.Add(" (").Add(file).Add(",").AddSigned(line).Add(")");
    }
}

void WriteParams(CReportText& report, const platform::StackFrame& frame) {
    report.Add("(");
    for (int i = 0; i < 4; ++i) {
        if (i) report.Add(",");
        report.AddAltHex(frame.words[i]);
    }
    report.Add(")\n");
}

void WriteReportText(int fd, const EXCEPTION_POINTERS& pointers, const CrashFacts& facts,
                     const platform::CSymbolizer& symbols) {
    CReportText report(fd);
    const CONTEXT& context = *pointers.ContextRecord;
    report.Add("\nException Info:\n");
    WriteExceptionLine(report, pointers);
    report.Flush();

    report.Add("\nCall stack:\n");
    WriteFrameText(report, facts.modules, symbols, facts.frameCount ? &facts.frames[0] : nullptr,
                   context.Rip, false);
    for (int i = 1; i < facts.frameCount; ++i) {
        WriteParams(report, facts.frames[i]);
        WriteFrameText(report, facts.modules, symbols, &facts.frames[i], facts.frames[i].ip, true);
        report.Flush();
    }
    report.Add("\n").Flush();

    InfoStore().Write(report);

    const platform::CrashSystemInfo& system = facts.system;
    report.Add("\nProcessor Info:\n").AddUnsigned(system.processorCount).Add(" AMD64 level ");
    report.AddUnsigned(system.level).Add(" revision 0x").AddHex(system.revision).Add("\n").Flush();
    report.Add("\nOperating System Info:\n").AddUnsigned(system.major).Add(".").AddUnsigned(system.minor);
    report.Add(" build ").AddUnsigned(system.build).Add(" ").Add(system.release).Add(" ");
    report.Add(system.version).Add("\n").Flush();
    report.Add("\nProcessor Context:\n");
    WriteContext(report, context);
    report.Flush();
    WriteModules(report, facts.modules);
}

}  // namespace zovi::crashrep
