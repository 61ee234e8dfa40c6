#include "app/entry.h"

extern "C" {
#include <libavutil/log.h>
}
#include <SDL2/SDL.h>

#include "app/account_startup.h"
#include "app/command_line.h"
#include "app/command_line_controller.h"
#include "app/crash_hooks.h"
#include "app/idle_delegate.h"
#include "app/session_end_steps.h"
#include "core/deferred/at_exit.h"
#include "core/deferred/on_idle.h"
#include "core/files/data_folder.h"
#include "core/global/global.h"
#include "core/log/media_log.h"
#include "crashrep/zovi_crashrep.h"
#include "engine/player/sdl_drivers.h"
#include "online/account/account_context.h"
#include "online/analytics/analytics_controller.h"
#include "online/http/http_session_start.h"
#include "online/rest/rest_api_controller.h"
#include "platform/crash/exception_filter.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/process/child_io.h"
#include "platform/window/message_loop.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"

namespace {

// The UI library's lines go to the application log.
void DuiLogToAppLog(int level, const wchar_t* text) {
    GetGlobal().Write(level == DuiLib::kLogError ? LOG_LEVEL_ERROR : LOG_LEVEL_INFO, text);
}

}  // namespace

int wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    // SetDllDirectoryW(""): libraries load from the program's folder through its
    // $ORIGIN run path; the working folder is never searched.
    // The runtime's invalid-parameter hook does not exist here; the pure-call hook is the
    // program's __cxa_pure_virtual, and abort() raises SIGABRT, which the filter catches.
    SetUnhandledExceptionFilter(CrashExceptionFilter);
    // A write to a child or a connection that has gone fails instead of ending us.
    zovi::platform::IgnoreBrokenPipeSignal();
    // libcurl before the request threads; the session's cookies from the data folder.
    StartHttpSession();

    // Automatic submission, except in the uploader itself: a crash while uploading must
    // not start another uploader, and another, for ever.
    const bool uploader = ParseCommandLine(GetProgramArguments()).mode == RUN_MODE_UPLOADER;
    const std::wstring crashFolder = GetCrashesDirectory();
    ZoviCrashRepSetOptions(crashFolder.c_str(), uploader ? 0 : 1);
    const std::wstring deviceId = GetVolumeDeviceId();
    ZoviCrashRepSetDeviceId(deviceId.c_str());

    CGlobal& global = GetGlobal();
    TolkaSetLang(global.lang == L"en-US" ? TolkaLangEnglish : TolkaLangChinese);
    MakeAccountContext();
    global.Info(L"wWinMain start[%s] app lang=%s!!!", CAccountContextController::GetDeviceId().c_str(),
                global.lang.c_str());

    av_log_set_callback(FFmpegLogCallback);
    av_log_set_level(AV_LOG_WARNING);
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_VERBOSE);
    SDL_LogSetOutputFunction(SdlLogOutput, nullptr);

    return RunApplication();
}

int RunApplication() {
    GetAtExitList();
    CCommandLineController* controller = CCommandLineController::GetInstance();
    // Workers post to the UI thread from the start, so its queue exists before any mode.
    COnIdleHandler::GetInstance();

    // The arguments come decoded from main's argv, so they cannot fail to split.
    controller->Apply(GetProgramArguments());

    // OLE, the common controls, the rich-edit library, the copy-data message filter, GDI+
    // and Winsock need no start-up here.
    zovi::engine::PrepareSdlDrivers();  // X11, PulseAudio; SIGTERM and SIGINT stay ours
    SDL_Init(SDL_INIT_EVERYTHING);

    CMessageLoop loop;
    zovi::platform::AddMessageLoop(&loop);
    COnIdleHadlerDelegate delegate;
    loop.AddMessageFilter(&delegate);
    loop.AddIdleHandler(&delegate);
    // The DirectUI library: its log, the built-in skin, the resource path ("skin/",
    // stored; the skin is the archive). It has no module instance to take here.
    DuiLib::SetLogSink(DuiLogToAppLog);
    DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
    DuiLib::CPaintManagerUI::SetResourcePath((DuiLib::CPaintManagerUI::GetInstancePath() + L"skin/").GetData());
    MakeAccountContext();

    if (controller->Run()) {
        ObserveSessionEnd();
        zovi::platform::InstallSessionEndHandler();
        loop.Run();
        zovi::platform::UninstallSessionEndHandler();
    }
    if (CApplication* application = controller->Application()) application->EndRun();
    FinishRunningRecording();

    // The analytics sender first: its exchange in progress gets its bound before the
    // transport's shutting-down flag ends every transfer.
    CGeneralAnalyticsController::ShutdownSender();
    // REST request threads deliver nothing more and are waited for (bounded) before the
    // singletons they would reach go.
    CRestAPIController::ShutdownRequests();
    RunAtExitList();
    loop.RemoveIdleHandler(&delegate);
    loop.RemoveMessageFilter(&delegate);
    zovi::platform::RemoveMessageLoop();
    QuitSdl();
    RunAtExitList();
    return 0;
}
