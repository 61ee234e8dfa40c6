#include "crashrep/crash_package.h"

#include <cstring>

#include "platform/stream/zip_writer.h"
#include "crashrep/crash_settings.h"
#include "crashrep/report_files.h"
#include "platform/base/utf8_core.h"
#include "platform/crash/fixed_text.h"
#include "platform/crash/handoff.h"
#include "platform/crash/safe_file.h"

namespace zovi::crashrep {

namespace {

constexpr size_t kMaxEnvironment = 4096;

void AddIfFile(core::CZipWriter& zip, const char* path) {
    platform::SafeFileFacts facts{};
    if (!path || !*path || !platform::SafeExamine(path, &facts) || facts.folder) return;
    const char* slash = std::strrchr(path, '/');
    static wchar_t name[1024];
    platform::Utf8ToWideInto(slash ? slash + 1 : path, name, sizeof name / sizeof name[0],
                             platform::Utf8Form::Lossless);
    zip.AddFile(name, path);  // a failure leaves the entry out
}

}  // namespace

bool PackageAndHandOff(const char* dmpPath, const char* txtPath, bool detach) {
    const char* named = dmpPath && *dmpPath ? dmpPath : txtPath;
    if (!named || !*named) return false;
    static char zipPath[4096];
    PackagePath(named, zipPath, sizeof zipPath);
    {
        core::CZipWriter zip;
        if (!zip.Open(zipPath)) return false;
        AddIfFile(zip, dmpPath);
        AddIfFile(zip, txtPath);
        zip.CloseArchive();
    }
    CrashSettings& settings = Settings();
    // One level only: an uploader that crashes does not start another.
    if (settings.uploaderChild || !settings.programPath[0]) return false;

    static char argument[4096 + 16];
    platform::CFixedText text(argument, sizeof argument);
    text.Add("--dmp_file=").Add(zipPath);
    static char uploaderSwitch[] = "/uploader";
    char* argv[] = {settings.programPath, uploaderSwitch, argument, nullptr};

    // The environment as it is now, plus the marker of a started uploader.
    static char marker[64];
    platform::CFixedText markerText(marker, sizeof marker);
    markerText.Add(kUploaderChildVariable).Add("=1");
    static char* environment[kMaxEnvironment + 2];
    platform::EnvironmentWith(marker, environment, sizeof environment / sizeof environment[0]);
    return platform::StartProgramSignalSafe(settings.programPath, argv, environment, detach);
}

}  // namespace zovi::crashrep
