// Tools of the X tests: xdotool runs (the pointer and keyboard through XTest), window
// geometry as the X server has it, and window pictures kept as PNG artefacts. Any thread.
#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/window/window_types.h"

namespace DuiLib::test {

// Runs a program (found on PATH) with `args`; its standard output, or nothing when it
// failed to start or ended with an error.
bool RunTool(const std::vector<std::string>& args, std::string* output = nullptr);
// xdotool with `args`.
bool Xdotool(const std::vector<std::string>& args, std::string* output = nullptr);
// The windows whose WM_CLASS class is `className` (xdotool search --class).
std::vector<HWND> FindWindowsByClass(const std::string& className);
// The first window of class `className` once one exists; 0 when none came within the wait.
HWND WaitForWindowOfClass(const std::string& className);
// The window's rectangle on the root window as the X server reports it.
bool XGeometry(HWND hwnd, RECT* rect);
// Polls `condition` from this thread until it holds; false when `timeout` passes first.
bool WaitUntil(const std::function<bool()>& condition,
                std::chrono::milliseconds timeout = std::chrono::seconds(20));
// Writes what the window shows on screen to `path` (PNG); false when it cannot be read.
bool SaveWindowPng(HWND hwnd, const std::string& path);

}  // namespace DuiLib::test
