// The recorder as a person meets it, for whole-program tests on the private X and sound
// servers: ZoviCapture started in a home, settings store and runtime folder of its own,
// with the online services pointed at a local service; its windows found by class and
// driven through XTest (xdotool) at the places its skin layouts give their controls; a
// tray stand-in in this process that sends the tray's messages and counts what the
// program posts to it.
#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/process/process.h"
#include "platform/window/window_types.h"

namespace DuiLib {
class CPaintManagerUI;
}

namespace zovi::testing {

// The rectangles of a skin layout's named controls (client coordinates) when its window
// has the given client size; the layout's own size when width or height is 0.
class LayoutMap {
public:
    LayoutMap(const wchar_t* layout, int width = 0, int height = 0);
    ~LayoutMap();
    // {} when the layout has no such control.
    RECT Rect(const wchar_t* name) const;
    POINT Centre(const wchar_t* name) const;
    SIZE Size() const { return size_; }

private:
    std::unique_ptr<DuiLib::CPaintManagerUI> manager_;
    SIZE size_{};
};

// A window of class "CaptureTrayWnd" in this process, as the tray program has one: the
// recorder then starts no tray program of its own. It talks to the main window with the
// tray's messages and counts the "ZVK_TRAY_TERMINATE" it receives.
class FakeTray {
public:
    FakeTray();
    ~FakeTray();
    FakeTray(const FakeTray&) = delete;
    FakeTray& operator=(const FakeTray&) = delete;

    bool Exists() const { return hwnd_ != 0; }
    // "ZVK_CHECKLISTENER" sent to `main`: its answer, or -1 without one within 5 s.
    long CheckListener(HWND main);
    // "ZVK_SHOWCAPTURE" posted to `main` with the command id.
    void Command(HWND main, UINT id);
    // Takes what reached this thread's queue (the program's posts among it).
    void Pump();
    int Terminations() const;

private:
    HWND hwnd_ = 0;
};

// Environment variables set for the session's life and restored afterwards.
class ScopedEnvironment {
public:
    void Set(const std::string& name, const std::string& value);
    ~ScopedEnvironment();

private:
    std::vector<std::pair<std::string, std::unique_ptr<std::string>>> saved_;
};

// One program run's private world and the program in it.
class ProgramSession {
public:
    // Makes the folders and points this process and the program at them (HOME,
    // XDG_CONFIG_HOME, ZOVI_RUNTIME_DIR, ZOVI_API_BASE = `apiBase`); the settings store
    // written from this process is the program's.
    explicit ProgramSession(const std::string& apiBase);
    ~ProgramSession();  // kills a program still running, removes the folders

    // Starts ZoviCapture with no argument; false when it did not start.
    bool Start();
    // The main window once it is mapped; 0 when none came within the wait.
    HWND WaitForMainWindow();
    platform::ChildProcess* Program() { return program_.get(); }
    // Waits for the end: true when the program ended within `seconds`.
    bool WaitForExit(int seconds);

    const std::string& Home() const { return home_; }
    const std::string& VideoFolder() const { return videos_; }
    // The recordings in the video folder.
    std::vector<std::string> Recordings() const;
    // The lines the program wrote to its logs.
    std::vector<std::string> LogLines() const;
    bool LogHas(const std::string& text) const;

private:
    ScopedEnvironment environment_;
    std::string base_, home_, videos_;
    std::unique_ptr<platform::ChildProcess> program_;
};

// ---- X --------------------------------------------------------------------------
bool IsShown(HWND hwnd);
bool HasInputFocus(HWND hwnd);
// The first viewable window of the class; 0 when none came within `timeout`.
HWND WaitForViewableWindow(const std::string& className,
                           std::chrono::milliseconds timeout = std::chrono::seconds(30));
// The rectangles of the window's bounding shape (window coordinates); one covering the
// whole window when it has no shape.
std::vector<RECT> BoundingShape(HWND hwnd);
// A left click at a point of the screen / at the centre of a control of a window.
bool ClickScreen(POINT at);
bool ClickControl(HWND window, const LayoutMap& layout, const wchar_t* name);
// A left press at `from`, motion in small steps to `to`, the release there (screen).
bool DragScreen(POINT from, POINT to);
// The window's picture saved under the test artefacts as app/<name>.png.
void SaveArtefact(HWND hwnd, const std::string& name);

// A plain X window of this process filled with one colour, mapped at (x, y), for a
// recording to pick and follow.
class ColourWindow {
public:
    ColourWindow(const char* title, int x, int y, int width, int height, unsigned long rgb);
    ~ColourWindow();
    HWND Handle() const { return window_; }
    void Move(int x, int y);

private:
    void* display_ = nullptr;
    unsigned long window_ = 0;
};

// The centre of the region of the window's picture that has colour `rgb` (screen
// coordinates); {-1, -1} when none.
POINT FindColourOnScreen(HWND hwnd, unsigned long rgb);

}  // namespace zovi::testing
