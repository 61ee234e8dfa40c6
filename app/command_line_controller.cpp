#include "app/command_line_controller.h"

#include "app/run_modes.h"
#include "app/application_uploader.h"

void CCommandLineController::Apply(const std::vector<std::wstring>& arguments) {
    ParsedCommandLine parsed = ParseCommandLine(arguments);
    mode_ = parsed.mode;
    params_ = std::move(parsed.params);
}

std::shared_ptr<CApplication> CCommandLineController::MakeApplication(std::uint32_t mode) {
    switch (mode) {
        case RUN_MODE_PLAYER: return std::make_shared<CApplicationPlayer>();
        case RUN_MODE_DEBUG: return std::make_shared<CApplicationDebug>();
        case RUN_MODE_WHITEBOARD: return std::make_shared<CApplicationWhiteBoard>();
        case RUN_MODE_UPLOADER: return std::make_shared<CApplicationUploader>();
        default: return std::make_shared<CApplicationCapture>();
    }
}

bool CCommandLineController::Run() {
    application_ = MakeApplication(mode_);
    application_->mode = mode_;
    application_->params = params_;
    return application_->Run();
}

bool IsRunModeWindow(const void* window) {
    CCommandLineController* controller = CCommandLineController::PeekInstance();
    CApplication* application = controller ? controller->Application() : nullptr;
    return window && application && application->window.get() == window;
}
