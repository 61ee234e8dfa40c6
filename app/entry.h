// The main program's entry function and run step.
#pragma once
#include "platform/window/window_types.h"

// Installs the crash hooks, sets the crash folder and the language, routes FFmpeg's and
// SDL's logs, and runs the program. Returns the exit code.
int wWinMain(HINSTANCE instance, HINSTANCE previous, wchar_t* commandLine, int showCommand);
// Parses the command line, starts the platform libraries, runs the mode and its message
// loop, and shuts down in order. 0, or -1 when the command line cannot be read.
int RunApplication();
