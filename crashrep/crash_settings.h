// The library's process-wide state: the settings the program gives (reports folder,
// submission option, device id, revision) and what is taken at load (the program's path,
// file name, version and display name, the temporary folder). Made once at load and
// never freed, so worker threads and crashes during exit never see it destroyed.
#pragma once
#include <climits>
#include <cstdint>
#include <string>

namespace zovi::crashrep {

struct CrashSettings {
    // Set by the program (at start, before other threads exist).
    std::wstring folder;
    char folderUtf8[PATH_MAX] = {};
    int32_t options = 0;
    std::wstring deviceId = L"0";
    std::wstring revision = L"0";

    // Taken at load.
    char programPath[PATH_MAX] = {};   // the running program's path, UTF-8
    char programFolder[PATH_MAX] = {};
    wchar_t programFileName[256] = {};
    wchar_t version[64] = {};          // "%hu.%hu.%hu.%hu", empty without a version note
    wchar_t displayName[512] = {};     // file name [+ " v." + version]
    char displayNameUtf8[256] = {};    // its 8-bit copy, at most 255 bytes
    char tempFolder[PATH_MAX] = {};    // with a trailing "/"
    // This process was started by a crashed one to upload its report: it writes its own
    // crash files but starts no further uploader.
    bool uploaderChild = false;
    // A test hook: the report step after the minidump blocks (the watchdog must end it).
    bool stallAfterDump = false;
};

// The one instance (made at load).
CrashSettings& Settings();

// The environment variable that marks a process started by the hand-off.
inline constexpr const char* kUploaderChildVariable = "ZOVI_CRASH_UPLOADER_CHILD";

}  // namespace zovi::crashrep
