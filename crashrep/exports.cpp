// The library's nine exports.
#include "crashrep/zovi_crashrep.h"

#include "crashrep/crash_capture.h"
#include "crashrep/crash_package.h"
#include "crashrep/crash_settings.h"
#include "crashrep/info_store.h"
#include "platform/base/utf8_core.h"

using zovi::crashrep::InfoStore;
using zovi::crashrep::Settings;

void ZoviCrashRepClearInfo() { InfoStore().Clear(); }

int32_t ZoviCrashRepCreateDumpFile(const wchar_t* name) { return zovi::crashrep::WriteDumpOnRequest(name); }

int32_t ZoviCrashRepCreateStackFile(const wchar_t* name) { return zovi::crashrep::WriteStackOnRequest(name); }

int32_t ZoviCrashRepExceptionFilter(EXCEPTION_POINTERS* pointers) {
    zovi::crashrep::CaptureCrash(pointers);
    return EXCEPTION_EXECUTE_HANDLER;
}

void ZoviCrashRepSetDeviceId(const wchar_t* id) { Settings().deviceId = id ? id : L""; }

void ZoviCrashRepSetInfo(int32_t id, const wchar_t* text) {
    if (text && *text) {
        InfoStore().Set(id, text);
    } else {
        InfoStore().Remove(id);
    }
}

int32_t ZoviCrashRepSetOptions(const wchar_t* folder, int32_t options) {
    zovi::crashrep::CrashSettings& settings = Settings();
    if (folder && *folder) {
        settings.folder = folder;
        zovi::platform::WideToUtf8Into(folder, settings.folderUtf8, sizeof settings.folderUtf8,
                                       zovi::platform::Utf8Form::Lossless);
    }
    settings.options = options;
    return options;
}

int32_t ZoviCrashRepSubmitReport(const wchar_t* dmp, const wchar_t* txt) {
    static char dmpPath[4096];
    static char txtPath[4096];
    zovi::platform::WideToUtf8Into(dmp, dmpPath, sizeof dmpPath, zovi::platform::Utf8Form::Lossless);
    zovi::platform::WideToUtf8Into(txt, txtPath, sizeof txtPath, zovi::platform::Utf8Form::Lossless);
    return zovi::crashrep::PackageAndHandOff(dmpPath, txtPath, true) ? 1 : 0;
}

void ZoviCrashSvnRevision(const wchar_t* rev) { Settings().revision = rev ? rev : L""; }
