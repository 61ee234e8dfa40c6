#include "crashrep/crash_capture.h"

#include <atomic>
#include <cstring>
#include <ctime>

#include "crashrep/crash_package.h"
#include "crashrep/crash_settings.h"
#include "crashrep/report_files.h"
#include "crashrep/report_sections.h"
#include "crashrep/report_text.h"
#include "platform/crash/minidump_writer.h"
#include "platform/crash/process_modules.h"
#include "platform/crash/safe_file.h"
#include "platform/crash/safe_process.h"
#include "platform/crash/signal_context.h"
#include "platform/crash/stack_walk.h"
#include "platform/crash/symbolizer.h"
#include "platform/crash/system_info.h"
#include "platform/crash/thread_capture.h"

namespace zovi::crashrep {

namespace {

constexpr int kMaxStackFileSteps = 10000;

// The crash path and the on-request writers share process-wide storage: one at a time.
std::atomic<int> g_busy{0};

class CBusyGuard {
public:
    // `wait`: the crash path waits (boundedly) for an on-request writer to finish.
    explicit CBusyGuard(bool wait) {
        int self = platform::SafeThreadId();
        for (int attempt = 0; attempt < (wait ? 200 : 1); ++attempt) {
            int expected = 0;
            if (g_busy.compare_exchange_strong(expected, self)) {
                owned_ = true;
                return;
            }
            if (expected == self) return;  // re-entered on this thread
            platform::SafePause(10);
        }
    }
    ~CBusyGuard() {
        if (owned_) g_busy.store(0);
    }
    bool Owned() const { return owned_; }

private:
    bool owned_ = false;
};

struct CrashData {
    platform::CProcessModules modules;
    platform::DumpThread threads[1 + platform::kMaxCapturedThreads];
    platform::CrashSystemInfo system;
    platform::StackFrame frames[kMaxWalkSteps + 1];
    int frameCount = 0;
    ReportFiles files;
};
CrashData g_data;

// The walk from the fault: frame 0 is the faulting instruction, then at most 301 callers.
void WalkFault(const EXCEPTION_POINTERS& pointers) {
    g_data.frameCount = 0;
    platform::CStackWalker walker;
    bool started;
    if (pointers.SignalContext) {
        started = walker.StartAtSignal(pointers.SignalContext);
    } else {
        unw_context_t context;
        unw_getcontext(&context);
        started = walker.StartAt(&context);
    }
    if (!started) return;
    g_data.frames[g_data.frameCount++] = walker.Frame();
    while (g_data.frameCount <= kMaxWalkSteps && walker.Step()) g_data.frames[g_data.frameCount++] = walker.Frame();
}

// Writes the minidump with `first` (the faulting or calling thread) and every other
// thread that answers; the others go on once it is written.
bool WriteDumpWithThreads(int fd, const platform::DumpThread& first, const platform::DumpException* exception) {
    platform::CThreadCapture capture;
    size_t captured = capture.Capture();
    g_data.threads[0] = first;
    for (size_t i = 0; i < captured; ++i) {
        g_data.threads[1 + i] = {static_cast<uint32_t>(capture.Thread(i).tid), &capture.Thread(i).context};
    }
    bool ok = platform::WriteMinidump(fd, g_data.modules, g_data.system, g_data.threads, 1 + captured,
                                      exception, static_cast<uint32_t>(time(nullptr)));
    capture.Release();
    return ok;
}

void MakeCrashFiles(ReportFiles* files) {
    CrashSettings& settings = Settings();
    files->dmpPath[0] = files->txtPath[0] = '\0';
    files->dmpFd = files->txtFd = -1;
    if (settings.folderUtf8[0]) {
        platform::CFixedString<1024> base;
        MakeBaseName(base, settings.programFileName, settings.version, platform::SafeLocalTimeNow());
        CreateReportFiles(settings.folderUtf8, base.Text(), files);
    }
    // Without a folder, or one that cannot be written (a read-only data root), the report
    // goes to the system's temporary folder rather than nowhere.
    if (files->dmpFd < 0)
        files->dmpFd = CreateTempReportFile(settings.tempFolder, ".dmp", files->dmpPath, sizeof files->dmpPath);
    if (files->txtFd < 0)
        files->txtFd = CreateTempReportFile(settings.tempFolder, ".txt", files->txtPath, sizeof files->txtPath);
}

void OpenSymbols(platform::CSymbolizer& symbols) { symbols.Open(Settings().programFolder); }

// Messages 103 (the caption) and 102, on standard error: no window from a crashed process.
constexpr const char* kFatalCaption = "Fatal error";
constexpr const char* kFatalMessage =
    "{0} has encountered a problem and needs to close.  We are sorry for the inconvenience.";

void WriteFatalMessage() {
    platform::CFixedString<1024> text;
    text.Add(kFatalCaption).AddChar('\n');
    for (const char* p = kFatalMessage; *p; ++p) {
        if (std::strncmp(p, "{0}", 3) == 0) {
            text.Add(Settings().displayNameUtf8);
            p += 2;
        } else {
            text.AddChar(*p);
        }
    }
    text.AddChar('\n');
    platform::SafeWriteAll(platform::kStandardErrorFd, text.Text(), text.Length());
}

}  // namespace

void CaptureCrash(EXCEPTION_POINTERS* pointers) {
    if (!pointers || !pointers->ExceptionRecord || !pointers->ContextRecord) return;
    CBusyGuard guard(true);
    CrashSettings& settings = Settings();

    // Signal-safe part: everything the minidump needs, then the minidump.
    g_data.modules.Read();
    platform::ReadCrashSystemInfo(&g_data.system);
    WalkFault(*pointers);
    ReportFiles& files = g_data.files;
    MakeCrashFiles(&files);
    if (files.dmpFd < 0 && files.txtFd < 0) WriteFatalMessage();
    if (files.dmpFd >= 0) {
        const auto tid = static_cast<uint32_t>(platform::SafeThreadId());
        platform::DumpThread thread{tid, pointers->ContextRecord};
        platform::DumpException exception{tid, 0, 0,
                                          reinterpret_cast<uintptr_t>(pointers->ExceptionRecord->ExceptionAddress)};
        if (pointers->SignalInfo) {
            const platform::SignalFacts signal = platform::FactsOfSignal(pointers->SignalInfo);
            exception.signal = signal.signal;
            exception.signalCode = signal.code;
            exception.address = signal.address;
        }
        WriteDumpWithThreads(files.dmpFd, thread, &exception);
        platform::SafeClose(files.dmpFd);
        files.dmpFd = -1;
    }
    if (settings.stallAfterDump) platform::SafeWaitForever();

    // Symbols, the report text and the hand-off.
    platform::CSymbolizer symbols;
    OpenSymbols(symbols);
    if (files.txtFd >= 0) {
        CrashFacts facts{g_data.modules, g_data.system, g_data.frames, g_data.frameCount};
        WriteReportText(files.txtFd, *pointers, facts, symbols);
        platform::SafeClose(files.txtFd);
        files.txtFd = -1;
    }
    if (settings.options != 0 && (files.dmpPath[0] || files.txtPath[0])) {
        PackageAndHandOff(files.dmpPath, files.txtPath, false);
    }
}

int32_t WriteDumpOnRequest(const wchar_t* name) {
    CBusyGuard guard(false);
    if (!guard.Owned()) return 0;
    CrashSettings& settings = Settings();
    static char path[4096];
    int fd;
    if (settings.folderUtf8[0]) {
        platform::CFixedText text(path, sizeof path);
        text.Add(settings.folderUtf8);
        if (text.Text()[text.Length() - 1] != '/') text.AddChar('/');
        text.Add("Debug/");
        if (name && *name) {
            text.AddWide(name);
        } else {
            MakeBaseName(text, settings.programFileName, settings.version, platform::SafeLocalTimeNow());
            text.Add(".dmp");
        }
        platform::SafeCreateParentFolders(path);
        fd = platform::SafeCreateFile(path, platform::SafeCreate::kReplace);
    } else {
        fd = CreateTempReportFile(settings.tempFolder, ".dmp", path, sizeof path);
    }
    if (fd < 0) return 0;
    g_data.modules.Read();
    platform::ReadCrashSystemInfo(&g_data.system);
    struct OnRequest {
        int fd;
        bool ok;
    } dump{fd, false};
    platform::WithOwnContext(
        [](const CONTEXT* context, void* data) {
            auto* request = static_cast<OnRequest*>(data);
            platform::DumpThread thread{static_cast<uint32_t>(platform::SafeThreadId()), context};
            request->ok = WriteDumpWithThreads(request->fd, thread, nullptr);
        },
        &dump);
    platform::SafeClose(fd);
    return dump.ok ? 1 : 0;
}

int32_t WriteStackOnRequest(const wchar_t* name) {
    if (!name || !*name) return 0;
    CBusyGuard guard(false);
    if (!guard.Owned()) return 0;
    CrashSettings& settings = Settings();
    static char path[4096];
    platform::CFixedText text(path, sizeof path);
    if (settings.folderUtf8[0]) {
        text.Add(settings.folderUtf8);
        if (text.Text()[text.Length() - 1] != '/') text.AddChar('/');
        text.Add("Debug/");
    } else {
        text.Add(settings.tempFolder);
    }
    text.AddWide(name);
    platform::SafeCreateParentFolders(path);
    int fd = platform::SafeCreateFile(path, platform::SafeCreate::kAppend);
    if (fd < 0) return 0;
    g_data.modules.Read();
    platform::CSymbolizer symbols;
    OpenSymbols(symbols);
    CReportText report(fd);
    platform::CStackWalker walker;
    unw_context_t context;
    unw_getcontext(&context);
    int32_t result = 0;
    if (walker.StartAt(&context)) {
        // Capped: a corrupt or cyclic stack must not fill the disk.
        for (int step = 0; step < kMaxStackFileSteps && walker.Step(); ++step) {
            WriteParams(report, walker.Frame());
            WriteFrameText(report, g_data.modules, symbols, &walker.Frame(), walker.Frame().ip, true);
            report.Flush();
        }
        result = walker.StoppedAtSelf() ? 1 : 0;
    }
    report.Add("\n").Flush();
    platform::SafeClose(fd);
    return result;
}

}  // namespace zovi::crashrep
