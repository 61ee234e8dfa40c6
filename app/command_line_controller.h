// Makes the application object for the run mode chosen on the command line.
#pragma once
#include <memory>

#include "app/application.h"
#include "app/command_line.h"
#include "core/deferred/singleton.h"

// Whether `window` is the run mode's own window (the player's cut view, the whiteboard):
// such a window posts the quit message when it is destroyed, so the process ends with
// it. Windows that a controller opens in the capture mode are not.
bool IsRunModeWindow(const void* window);

class CCommandLineController : public CSingletonT<CCommandLineController> {
public:
    // Applies the switch and parameter tables to the program's arguments.
    void Apply(const std::vector<std::wstring>& arguments);
    // Makes the application object for the mode (capture for any unknown mode), copies
    // the mode and parameters into it, keeps it and returns its Run result.
    bool Run();

    std::uint32_t Mode() const { return mode_; }
    const CommandLineParams& Params() const { return params_; }
    CApplication* Application() const { return application_.get(); }

    // The application object for a mode value.
    static std::shared_ptr<CApplication> MakeApplication(std::uint32_t mode);

private:
    friend class CSingletonT<CCommandLineController>;
    CCommandLineController() = default;
    ~CCommandLineController() = default;

    CommandLineParams params_;
    std::uint32_t mode_ = RUN_MODE_NONE;
    std::shared_ptr<CApplication> application_;
};
