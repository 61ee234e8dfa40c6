#include "platform/crash/process_modules.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/crash/safe_memory.h"

namespace zovi::platform {

namespace {

constexpr uint64_t kPageMask = ~uint64_t{4095};
constexpr uint32_t kVersionNoteType = 1;

uint64_t ParseHex(const char*& p) {
    uint64_t value = 0;
    for (;; ++p) {
        char c = *p;
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return value;
        value = value * 16 + static_cast<uint64_t>(digit);
    }
}

void SkipField(const char*& p) {
    while (*p && *p != ' ') ++p;
    while (*p == ' ') ++p;
}

struct ElfLayout {
    uint64_t preferredBase = 0;
    uint64_t bias = 0;  // loaded address - link-time address
    Elf64_Phdr notes[16];
    int noteCount = 0;
};

bool ReadElfLayout(uintptr_t base, ElfLayout* layout) {
    Elf64_Ehdr header;
    if (!ReadOwnMemory(base, &header, sizeof header)) return false;
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
        return false;
    if (header.e_phentsize != sizeof(Elf64_Phdr) || header.e_phnum > 64) return false;
    bool haveLoad = false;
    uint64_t lowest = 0;
    for (int i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr phdr;
        if (!ReadOwnMemory(base + header.e_phoff + i * sizeof phdr, &phdr, sizeof phdr)) return false;
        if (phdr.p_type == PT_LOAD && (!haveLoad || phdr.p_vaddr < lowest)) {
            lowest = phdr.p_vaddr;
            haveLoad = true;
        }
        if (phdr.p_type == PT_NOTE && layout->noteCount < 16) layout->notes[layout->noteCount++] = phdr;
    }
    layout->preferredBase = lowest & kPageMask;
    layout->bias = base - layout->preferredBase;
    return true;
}

// Calls visit(name, type, desc, descSize) for each note of the image; stops when it
// returns true.
template <typename Visit>
void ForEachNote(const ElfLayout& layout, Visit visit) {
    static char buffer[4096];
    for (int i = 0; i < layout.noteCount; ++i) {
        size_t size = layout.notes[i].p_memsz < sizeof buffer ? layout.notes[i].p_memsz : sizeof buffer;
        if (!ReadOwnMemory(layout.bias + layout.notes[i].p_vaddr, buffer, size)) continue;
        size_t at = 0;
        while (at + sizeof(Elf64_Nhdr) <= size) {
            Elf64_Nhdr note;
            std::memcpy(&note, buffer + at, sizeof note);
            size_t nameAt = at + sizeof note;
            size_t descAt = nameAt + ((note.n_namesz + 3) & ~size_t{3});
            size_t next = descAt + ((note.n_descsz + 3) & ~size_t{3});
            if (next > size) break;
            if (visit(buffer + nameAt, note.n_namesz, note.n_type, buffer + descAt, note.n_descsz)) return;
            at = next;
        }
    }
}

ModuleVersion VersionFromLayout(const ElfLayout& layout) {
    ModuleVersion version;
    ForEachNote(layout, [&](const char* name, uint32_t nameSize, uint32_t type, const char* desc,
                            uint32_t descSize) {
        if (nameSize != 5 || std::memcmp(name, "Zovi", 5) != 0 || type != kVersionNoteType ||
            descSize < 16)
            return false;
        uint32_t words[4];
        std::memcpy(words, desc, sizeof words);
        version.present = true;
        version.fileMS = words[0];
        version.fileLS = words[1];
        version.productMS = words[2];
        version.productLS = words[3];
        return true;
    });
    return version;
}

}  // namespace

ModuleVersion ReadVersionNote(uintptr_t base) {
    ElfLayout layout;
    if (!ReadElfLayout(base, &layout)) return {};
    return VersionFromLayout(layout);
}

ModuleVersion ReadMainProgramVersion() {
    ModuleVersion version;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            uint64_t lowest = ~uint64_t{0};
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_phdr[i].p_vaddr < lowest)
                    lowest = info->dlpi_phdr[i].p_vaddr;
            }
            if (lowest != ~uint64_t{0}) {
                *static_cast<ModuleVersion*>(data) =
                    ReadVersionNote(info->dlpi_addr + (lowest & ~uint64_t{4095}));
            }
            return 1;  // the main program only
        },
        &version);
    return version;
}

void CProcessModules::AddMapping(uint64_t start, uint64_t end, uint64_t offset, bool readable,
                                 const char* path) {
    if (mappingCount_ < kMaxMappings) mappings_[mappingCount_++] = {start, end};
    if (path[0] != '/') return;
    // A later mapping of the module seen last extends it.
    if (moduleCount_ && std::strcmp(modules_[moduleCount_ - 1].path, path) == 0 &&
        start >= modules_[moduleCount_ - 1].base) {
        modules_[moduleCount_ - 1].size = end - modules_[moduleCount_ - 1].base;
        return;
    }
    if (offset != 0 || !readable || moduleCount_ == kMaxCrashModules) return;
    if (std::strlen(path) >= sizeof modules_[0].path) return;
    // Only ELF images: the locale archive, font caches and shared memory are skipped.
    ElfLayout layout;
    if (!ReadElfLayout(start, &layout)) return;
    CrashModule& module = modules_[moduleCount_++];
    module = CrashModule{};
    std::strcpy(module.path, path);
    module.base = start;
    module.size = end - start;
    module.preferredBase = layout.preferredBase;
    struct stat info{};
    if (stat(path, &info) == 0) module.timestamp = static_cast<uint32_t>(info.st_mtime);
    module.version = VersionFromLayout(layout);
    ForEachNote(layout, [&](const char* name, uint32_t nameSize, uint32_t type, const char* desc,
                            uint32_t descSize) {
        if (nameSize != 4 || std::memcmp(name, "GNU", 4) != 0 || type != NT_GNU_BUILD_ID) return false;
        module.buildIdSize = descSize < kMaxBuildId ? descSize : kMaxBuildId;
        std::memcpy(module.buildId, desc, module.buildIdSize);
        return true;
    });
}

bool CProcessModules::Read() {
    moduleCount_ = 0;
    mappingCount_ = 0;
    int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    static char buffer[16384];
    static char line[4096 + 256];
    size_t lineLength = 0;
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] != '\n') {
                if (lineLength + 1 < sizeof line) line[lineLength++] = buffer[i];
                continue;
            }
            line[lineLength] = '\0';
            lineLength = 0;
            // "start-end perms offset dev inode   path"
            const char* p = line;
            uint64_t start = ParseHex(p);
            if (*p++ != '-') continue;
            uint64_t end = ParseHex(p);
            while (*p == ' ') ++p;
            bool readable = *p == 'r';
            SkipField(p);
            uint64_t offset = ParseHex(p);
            while (*p == ' ') ++p;
            SkipField(p);  // dev
            SkipField(p);  // inode
            AddMapping(start, end, offset, readable, p);
        }
    }
    close(fd);
    return true;
}

const CrashModule* CProcessModules::ModuleAt(uint64_t address) const {
    for (size_t i = 0; i < moduleCount_; ++i) {
        if (address >= modules_[i].base && address - modules_[i].base < modules_[i].size) return &modules_[i];
    }
    return nullptr;
}

bool CProcessModules::MappingAt(uint64_t address, MemoryRange* range) const {
    for (size_t i = 0; i < mappingCount_; ++i) {
        if (address >= mappings_[i].start && address < mappings_[i].end) {
            *range = mappings_[i];
            return true;
        }
    }
    return false;
}

}  // namespace zovi::platform
