// The run modes of the main program: CApplication is the base every mode derives from.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

// Run-mode values (the command-line switches).
enum RunMode : std::uint32_t {
    RUN_MODE_NONE = 0,
    RUN_MODE_DEBUG = 1,     // "/debug"
    RUN_MODE_CAPTURE = 2,   // "/capture"
    RUN_MODE_PLAYER = 4,    // "/player"
    RUN_MODE_WHITEBOARD = 8,  // "/wb"
    RUN_MODE_UPLOADER = 16,   // "/uploader"
};

// Command-line parameter ids ("--w=", "--h=", ...).
enum CommandLineParam : std::int32_t {
    PARAM_W = 0,
    PARAM_H = 1,
    PARAM_HWND = 2,
    PARAM_URL = 3,
    PARAM_MAXLIMIT = 4,
    PARAM_DMP_FILE = 5,
    PARAM_DMP_LOG = 6,
};

using CommandLineParams = std::map<std::int32_t, std::wstring>;

class CApplication {
public:
    virtual ~CApplication() = default;
    // True: the message loop runs until the quit message; false: it is skipped.
    virtual bool Run() { return false; }
    // On the UI thread once the message loop has ended (or was skipped): the mode lets
    // go of the windows it drives, while the platform is still there for them.
    virtual void EndRun() {}

    std::uint32_t mode = 0;
    CommandLineParams params;
    std::shared_ptr<void> window;  // the mode's main window, when it keeps one
};
