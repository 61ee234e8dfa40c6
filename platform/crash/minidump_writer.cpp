#include "platform/crash/minidump_writer.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/base/utf8_core.h"
#include "platform/crash/safe_memory.h"

namespace zovi::platform {

namespace {

#pragma pack(push, 4)
struct LocationDescriptor {
    uint32_t dataSize;
    uint32_t rva;
};
struct MemoryDescriptor {
    uint64_t start;
    LocationDescriptor memory;
};
struct Header {
    uint32_t signature, version, streamCount, directoryRva, checkSum, timeDateStamp;
    uint64_t flags;
};
struct Directory {
    uint32_t streamType;
    LocationDescriptor location;
};
struct Thread {
    uint32_t threadId, suspendCount, priorityClass, priority;
    uint64_t teb;
    MemoryDescriptor stack;
    LocationDescriptor context;
};
struct FixedFileInfo {
    uint32_t signature, strucVersion, fileVersionMS, fileVersionLS, productVersionMS,
        productVersionLS, fileFlagsMask, fileFlags, fileOS, fileType, fileSubtype, fileDateMS,
        fileDateLS;
};
struct Module {
    uint64_t baseOfImage;
    uint32_t sizeOfImage, checkSum, timeDateStamp, moduleNameRva;
    FixedFileInfo versionInfo;
    LocationDescriptor cvRecord, miscRecord;
    uint64_t reserved0, reserved1;
};
struct Exception {
    uint32_t code, flags;
    uint64_t record, address;
    uint32_t numberParameters, unusedAlignment;
    uint64_t information[15];
};
struct ExceptionStream {
    uint32_t threadId, alignment;
    Exception exception;
    LocationDescriptor context;
};
struct SystemInfo {
    uint16_t processorArchitecture, processorLevel, processorRevision;
    uint8_t numberOfProcessors, productType;
    uint32_t majorVersion, minorVersion, buildNumber, platformId, csdVersionRva;
    uint16_t suiteMask, reserved2;
    uint32_t vendorId[3];
    uint32_t versionInformation, featureInformation, amdExtendedCpuFeatures;
};
struct MiscInfo {
    uint32_t sizeOfInfo, flags1, processId, processCreateTime, processUserTime, processKernelTime;
};
#pragma pack(pop)
static_assert(sizeof(Header) == 32 && sizeof(Directory) == 12 && sizeof(Thread) == 48);
static_assert(sizeof(Module) == 108 && sizeof(ExceptionStream) == 168 && sizeof(SystemInfo) == 56);

constexpr uint16_t kArchitectureAmd64 = 9;
constexpr uint32_t kMaxStreams = 12;
constexpr size_t kMaxThreads = 64;

class CDumpFile {
public:
    explicit CDumpFile(int fd) : fd_(fd) {}

    // Appends at the end (aligned to 8) and returns where the data starts.
    uint32_t Append(const void* data, size_t size, bool align = true) {
        if (align) Align();
        uint32_t at = static_cast<uint32_t>(end_);
        if (!WriteAt(data, size, end_)) ok_ = false;
        end_ += size;
        return at;
    }
    // Reserves room at the end for data written later with WriteAt.
    uint32_t Reserve(size_t size) {
        Align();
        uint32_t at = static_cast<uint32_t>(end_);
        end_ += size;
        return at;
    }
    bool WriteAt(const void* data, size_t size, uint64_t offset) {
        const auto* p = static_cast<const char*>(data);
        while (size) {
            ssize_t n = pwrite(fd_, p, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return ok_ = false;
            p += n;
            size -= static_cast<size_t>(n);
            offset += static_cast<uint64_t>(n);
        }
        return true;
    }
    // Appends process memory; unreadable pages become zeros.
    uint32_t AppendMemory(uint64_t address, size_t size) {
        Align();
        uint32_t at = static_cast<uint32_t>(end_);
        if (!WriteOwnMemory(fd_, end_, address, size)) ok_ = false;
        end_ += size;
        return at;
    }
    // Appends the content of a (proc) file; returns its location.
    LocationDescriptor AppendFile(const char* path) {
        Align();
        LocationDescriptor location{0, static_cast<uint32_t>(end_)};
        int in = open(path, O_RDONLY | O_CLOEXEC);
        if (in < 0) return location;
        static char chunk[8192];
        for (;;) {
            ssize_t got = read(in, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            if (!WriteAt(chunk, static_cast<size_t>(got), end_)) break;
            end_ += static_cast<uint64_t>(got);
            location.dataSize += static_cast<uint32_t>(got);
        }
        close(in);
        return location;
    }
    bool Ok() const { return ok_; }

private:
    void Align() {
        static const char zeros[8] = {};
        uint64_t pad = (8 - end_ % 8) % 8;
        if (pad && !WriteAt(zeros, pad, end_)) ok_ = false;
        end_ += pad;
    }

    int fd_;
    uint64_t end_ = 0;
    bool ok_ = true;
};

// The stack memory of a thread: from 128 bytes below its stack pointer (the red zone)
// up to the top of its stack mapping, at most kMaxDumpStack bytes. After a stack
// overflow the pointer lies below the mapping; the unmapped part is written as zeros.
MemoryRange StackRange(const CProcessModules& modules, uint64_t sp) {
    MemoryRange mapping{};
    if (!modules.MappingAt(sp, &mapping) && !modules.MappingAt((sp + 4096) & ~uint64_t{4095}, &mapping))
        return {0, 0};
    uint64_t start = sp >= 128 ? sp - 128 : 0;
    uint64_t end = mapping.end;
    if (end - start > kMaxDumpStack) end = start + kMaxDumpStack;
    return {start, end};
}

}  // namespace

bool WriteMinidump(int fd, const CProcessModules& modules, const CrashSystemInfo& system,
                   const DumpThread* threads, size_t threadCount, const DumpException* exception,
                   uint32_t timestamp) {
    if (threadCount > kMaxThreads) threadCount = kMaxThreads;
    CDumpFile file(fd);
    Directory directory[kMaxStreams] = {};
    uint32_t streams = 0;
    file.Reserve(sizeof(Header));
    uint32_t directoryRva = file.Reserve(sizeof directory);

    // Threads: contexts and stacks.
    static Thread threadRecords[kMaxThreads];
    static MemoryDescriptor memory[kMaxThreads];
    for (size_t i = 0; i < threadCount; ++i) {
        Thread& record = threadRecords[i];
        std::memset(&record, 0, sizeof record);
        record.threadId = threads[i].tid;
        record.context = {sizeof(CONTEXT), file.Append(threads[i].context, sizeof(CONTEXT))};
        MemoryRange stack = StackRange(modules, threads[i].context->Rsp);
        record.stack.start = stack.start;
        record.stack.memory.dataSize = static_cast<uint32_t>(stack.end - stack.start);
        if (stack.end > stack.start)
            record.stack.memory.rva = file.AppendMemory(stack.start, stack.end - stack.start);
        memory[i] = record.stack;
    }
    uint32_t count32 = static_cast<uint32_t>(threadCount);
    uint32_t at = file.Append(&count32, 4);
    file.Append(threadRecords, sizeof(Thread) * threadCount, false);
    directory[streams++] = {kThreadListStream, {static_cast<uint32_t>(4 + sizeof(Thread) * threadCount), at}};

    // Modules: names and CodeView records first, then the list.
    static Module moduleRecords[kMaxCrashModules];
    for (size_t i = 0; i < modules.Count(); ++i) {
        const CrashModule& source = modules.Module(i);
        Module& record = moduleRecords[i];
        std::memset(&record, 0, sizeof record);
        record.baseOfImage = source.base;
        record.sizeOfImage = static_cast<uint32_t>(source.size);
        record.timeDateStamp = source.timestamp;
        if (source.version.present) {
            record.versionInfo.signature = 0xFEEF04BD;
            record.versionInfo.strucVersion = 0x00010000;
            record.versionInfo.fileVersionMS = source.version.fileMS;
            record.versionInfo.fileVersionLS = source.version.fileLS;
            record.versionInfo.productVersionMS = source.version.productMS;
            record.versionInfo.productVersionLS = source.version.productLS;
        }
        static uint8_t name[4 + 2 * sizeof source.path + 2];
        uint32_t bytes =
            static_cast<uint32_t>(Utf8ToUtf16LeInto(source.path, name + 4, sizeof name - 6, Utf8Form::Lossless));
        std::memcpy(name, &bytes, 4);
        name[4 + bytes] = 0;
        name[5 + bytes] = 0;
        record.moduleNameRva = file.Append(name, 4 + bytes + 2);
        uint8_t codeView[4 + kMaxBuildId];
        std::memcpy(codeView, &kCodeViewElfSignature, 4);
        std::memcpy(codeView + 4, source.buildId, source.buildIdSize);
        if (source.buildIdSize) {
            record.cvRecord.dataSize = 4 + source.buildIdSize;
            record.cvRecord.rva = file.Append(codeView, record.cvRecord.dataSize);
        }
    }
    uint32_t moduleCount = static_cast<uint32_t>(modules.Count());
    at = file.Append(&moduleCount, 4);
    file.Append(moduleRecords, sizeof(Module) * moduleCount, false);
    directory[streams++] = {kModuleListStream, {static_cast<uint32_t>(4 + sizeof(Module) * moduleCount), at}};

    // Memory: the thread stacks.
    at = file.Append(&count32, 4);
    file.Append(memory, sizeof(MemoryDescriptor) * threadCount, false);
    directory[streams++] = {kMemoryListStream,
                            {static_cast<uint32_t>(4 + sizeof(MemoryDescriptor) * threadCount), at}};

    if (exception && threadCount) {
        ExceptionStream record{};
        record.threadId = exception->tid;
        record.exception.code = exception->signal;
        record.exception.flags = exception->signalCode;
        record.exception.address = exception->address;
        record.context = threadRecords[0].context;
        directory[streams++] = {kExceptionStream, {sizeof record, file.Append(&record, sizeof record)}};
    }

    SystemInfo info{};
    info.processorArchitecture = kArchitectureAmd64;
    info.processorLevel = system.level;
    info.processorRevision = system.revision;
    info.numberOfProcessors = static_cast<uint8_t>(system.processorCount > 255 ? 255 : system.processorCount);
    info.majorVersion = system.major;
    info.minorVersion = system.minor;
    info.buildNumber = system.build;
    info.platformId = kPlatformLinux;
    std::memcpy(info.vendorId, system.vendor, 12);
    info.versionInformation = system.versionInformation;
    info.featureInformation = system.featureInformation;
    info.amdExtendedCpuFeatures = system.extendedFeatures;
    {
        // CSDVersion: "<release> <version>" as a MINIDUMP_STRING.
        char text[sizeof system.release + sizeof system.version + 1];
        size_t length = std::strlen(system.release);
        std::memcpy(text, system.release, length);
        text[length++] = ' ';
        std::strcpy(text + length, system.version);
        static uint8_t csd[4 + 2 * sizeof text + 2];
        uint32_t bytes =
            static_cast<uint32_t>(Utf8ToUtf16LeInto(text, csd + 4, sizeof csd - 6, Utf8Form::Replacing));
        std::memcpy(csd, &bytes, 4);
        csd[4 + bytes] = 0;
        csd[5 + bytes] = 0;
        info.csdVersionRva = file.Append(csd, 4 + bytes + 2);
    }
    directory[streams++] = {kSystemInfoStream, {sizeof info, file.Append(&info, sizeof info)}};

    MiscInfo misc{sizeof(MiscInfo), 1, static_cast<uint32_t>(getpid()), 0, 0, 0};
    directory[streams++] = {kMiscInfoStream, {sizeof misc, file.Append(&misc, sizeof misc)}};

    const struct {
        uint32_t type;
        const char* path;
    } procFiles[] = {{kLinuxProcStatus, "/proc/self/status"},
                     {kLinuxCmdLine, "/proc/self/cmdline"},
                     {kLinuxAuxv, "/proc/self/auxv"},
                     {kLinuxMaps, "/proc/self/maps"}};
    for (const auto& proc : procFiles) directory[streams++] = {proc.type, file.AppendFile(proc.path)};

    Header header{kMinidumpSignature, kMinidumpVersion, streams, directoryRva, 0, timestamp, 0};
    file.WriteAt(&header, sizeof header, 0);
    file.WriteAt(directory, sizeof(Directory) * streams, directoryRva);
    return file.Ok();
}

}  // namespace zovi::platform
