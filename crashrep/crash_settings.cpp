#include "crashrep/crash_settings.h"

#include <cstdlib>
#include <cstring>

#include "crashrep/info_store.h"
#include "platform/base/utf8_core.h"
#include "platform/crash/process_modules.h"
#include "platform/crash/safe_process.h"
#include "platform/crash/system_info.h"
#include "platform/crash/fixed_text.h"

namespace zovi::crashrep {

namespace {

CrashSettings* g_settings = nullptr;

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
    platform::SafeOwnProgramPath(s.programPath, sizeof s.programPath);
    std::strcpy(s.programFolder, s.programPath);
    if (char* slash = std::strrchr(s.programFolder, '/')) *slash = '\0';
    const char* fileName = std::strrchr(s.programPath, '/');
    platform::Utf8ToWideInto(fileName ? fileName + 1 : s.programPath, s.programFileName,
                             sizeof s.programFileName / sizeof(wchar_t), platform::Utf8Form::Lossless);

    platform::ModuleVersion version = platform::ReadMainProgramVersion();
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
    platform::WideToUtf8Into(s.displayName, s.displayNameUtf8, sizeof s.displayNameUtf8,
                             platform::Utf8Form::Replacing);

    TakeTempFolder(s);
    s.uploaderChild = std::getenv(kUploaderChildVariable) != nullptr;
    s.stallAfterDump = std::getenv("ZOVI_CRASH_TEST_STALL_AFTER_DUMP") != nullptr;
    InfoStore();

    // Warm what the crash path must not do for the first time inside a signal handler.
    platform::TakeProcessorCount();
    platform::WarmLocalTime();
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
