#include "crashrep/crash_settings.h"

#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "crashrep/info_store.h"
#include "platform/crash/process_modules.h"
#include "platform/crash/system_info.h"
#include "platform/crash/wide_text.h"
#include "platform/crash/fixed_text.h"

namespace zovi::crashrep {

namespace {

CrashSettings* g_settings = nullptr;

// The version note of the main program (the first object dl_iterate_phdr reports).
platform::ModuleVersion MainProgramVersion() {
    platform::ModuleVersion version;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            uint64_t lowest = ~uint64_t{0};
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_phdr[i].p_vaddr < lowest)
                    lowest = info->dlpi_phdr[i].p_vaddr;
            }
            if (lowest != ~uint64_t{0}) {
                *static_cast<platform::ModuleVersion*>(data) =
                    platform::ReadVersionNote(info->dlpi_addr + (lowest & ~uint64_t{4095}));
            }
            return 1;  // the main program only
        },
        &version);
    return version;
}

void TakeTempFolder(CrashSettings& s) {
    const char* folder = nullptr;
    for (const char* name : {"TMPDIR", "TEMP", "TMP"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            folder = value;
            break;
        }
    }
    platform::CFixedText text(s.tempFolder, sizeof s.tempFolder);
    text.Add(folder ? folder : "/tmp/");
    if (text.Length() && text.Text()[text.Length() - 1] != '/') text.AddChar('/');
}

void Load() {
    g_settings = new CrashSettings();
    CrashSettings& s = *g_settings;
    ssize_t length = readlink("/proc/self/exe", s.programPath, sizeof s.programPath - 1);
    s.programPath[length > 0 ? length : 0] = '\0';
    std::strcpy(s.programFolder, s.programPath);
    if (char* slash = std::strrchr(s.programFolder, '/')) *slash = '\0';
    const char* fileName = std::strrchr(s.programPath, '/');
    platform::Utf8ToWide(fileName ? fileName + 1 : s.programPath, s.programFileName,
                         sizeof s.programFileName / sizeof(wchar_t));

    platform::ModuleVersion version = MainProgramVersion();
    if (version.present) {
        std::swprintf(s.version, sizeof s.version / sizeof(wchar_t), L"%hu.%hu.%hu.%hu",
                      static_cast<unsigned short>(version.fileMS >> 16),
                      static_cast<unsigned short>(version.fileMS & 0xFFFF),
                      static_cast<unsigned short>(version.fileLS >> 16),
                      static_cast<unsigned short>(version.fileLS & 0xFFFF));
    }
    std::wcscpy(s.displayName, s.programFileName);
    if (s.version[0]) {
        std::wcscat(s.displayName, L" v.");
        std::wcscat(s.displayName, s.version);
    }
    platform::WideToUtf8(s.displayName, s.displayNameUtf8, sizeof s.displayNameUtf8);

    TakeTempFolder(s);
    s.uploaderChild = std::getenv(kUploaderChildVariable) != nullptr;
    s.stallAfterDump = std::getenv("ZOVI_CRASH_TEST_STALL_AFTER_DUMP") != nullptr;
    InfoStore();

    // Warm what the crash path must not do for the first time inside a signal handler.
    platform::TakeProcessorCount();
    time_t now = time(nullptr);
    struct tm local{};
    localtime_r(&now, &local);
}

__attribute__((constructor)) void LoadAtStart() {
    if (!g_settings) Load();
}

}  // namespace

CrashSettings& Settings() {
    if (!g_settings) Load();
    return *g_settings;
}

}  // namespace zovi::crashrep
