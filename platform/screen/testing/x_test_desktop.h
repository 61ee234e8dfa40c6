// Test support: windows with known pixels and properties, pointer moves and RandR
// monitors on the test X server, so the capture code can be checked against the real
// server. Not for the program itself.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/screen/screen_types.h"

struct _XDisplay;

namespace zovi::platform::testing {

// A top-level window at `rect` (root coordinates), mapped and filled with `rgb`
// (0xRRGGBB). Not override-redirect, so it counts as an ordinary client window.
class CTestWindow {
public:
    static std::unique_ptr<CTestWindow> Create(const RECT& rect, uint32_t rgb,
                                               bool overrideRedirect = false);
    ~CTestWindow();
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;

    HWND Handle() const { return window_; }
    void Fill(uint32_t rgb);
    // Every pixel from `colour(x, y)` in window coordinates.
    void Paint(const std::function<uint32_t(int x, int y)>& colour);
    void MoveResize(const RECT& rect);
    void SetTitle(const std::string& utf8Title);
    void SetPid(long pid);
    void SetWindowType(const char* typeAtom);  // e.g. "_NET_WM_WINDOW_TYPE_DOCK"
    void SetIconicState();
    void SetFrameExtents(long left, long right, long top, long bottom);
    void Unmap();
    void Destroy();

private:
    CTestWindow(_XDisplay* display, HWND window, int width, int height)
        : display_(display), window_(window), width_(width), height_(height) {}
    _XDisplay* display_;
    HWND window_;
    int width_, height_;
};

// Moves the pointer through XTest (as a user would).
void MovePointer(int x, int y);
// Fills a rectangle of the root window (under all windows) with a colour.
void FillRoot(const RECT& rect, uint32_t rgb);
// Defines or removes a RandR monitor over part of the screen. With `takeOutput` it holds
// the screen's output and so replaces the output's own monitor; otherwise it is virtual.
bool SetMonitor(const std::string& name, const RECT& rect, bool takeOutput = false);
bool DeleteMonitor(const std::string& name);
// Announces a RandR screen change: the same pixel size with another physical size.
bool ChangeScreenConfiguration();
// Replaces the X resources of the screen (RESOURCE_MANAGER); empty removes them.
void SetRootResources(const std::string& resources);
// Waits until the server has handled every request of the helper's connection.
void Sync();

}  // namespace zovi::platform::testing
