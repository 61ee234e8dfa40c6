// What the notification-area tests need around an icon: a private X server for the test
// program, an owner window that records its icon's callback messages, a message pump
// that waits for a condition, icons made in memory, and XTest clicks.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/tray/notify_icon.h"
#include "platform/window/window.h"

namespace zovi::test {

// One callback message the owner window received.
struct IconCallback {
    WPARAM id = 0;
    LPARAM mouseMessage = 0;
    POINT position{};  // GetMessagePos while it was handled
};

inline constexpr UINT kIconCallbackMessage = WM_APP + 17;

// A hidden window that records every kIconCallbackMessage it receives.
class CIconOwner {
public:
    CIconOwner();
    ~CIconOwner();
    CIconOwner(const CIconOwner&) = delete;
    CIconOwner& operator=(const CIconOwner&) = delete;
    HWND Window() const { return hwnd_; }
    const std::vector<IconCallback>& Callbacks() const;
    void ClearCallbacks();

private:
    HWND hwnd_ = 0;
};

// Dispatches the calling thread's messages until `condition` holds (checked after
// each message and at least every 20 ms), up to `timeoutMs`.
bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 10'000);

// An icon of `width`×`height` pixels from a function of the position, as PNG bytes.
std::vector<unsigned char> MakePng(int width, int height, const std::function<std::uint32_t(int x, int y)>& argb);

// NOTIFYICONDATAW for the owner's icon `id` with the given icon and tip.
NOTIFYICONDATAW IconData(HWND owner, UINT id, UINT flags, HICON icon, const wchar_t* tip = L"");

// On the server of $DISPLAY:
// the window's top-left corner on the screen;
POINT WindowOrigin(unsigned long window);
// a window's _NET_WM_NAME (UTF-8);
std::string WindowName(unsigned long window);
// the window's depth (0 when it does not exist);
int WindowDepth(unsigned long window);
// whether the window exists;
bool WindowExists(unsigned long window);
// the first window below the root whose _NET_WM_NAME is `name` (0 when none);
unsigned long FindWindowByName(const std::string& name);
// the window's ancestor that is a child of the root (itself when it is one);
unsigned long TopLevelOf(unsigned long window);
// a click of `button` at a screen point through XTest (move, press, release).
void ClickAt(POINT point, unsigned int button);

}  // namespace zovi::test
