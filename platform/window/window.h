// Windows and messages over X11 (the user32 stand-in). Each thread that makes windows
// owns a message queue that merges, in Win32's order: sent messages (dispatched inside
// GetMessageW/PeekMessageW), posted messages, the quit message, input from the X server
// (mouse, keys), WM_PAINT for invalid windows, and WM_TIMER for due timers. Windows of
// other processes are reached through X client messages: posts, sends with a reply,
// and show/position requests the owner applies on its own thread.
//
// Threads: a window belongs to the thread that made it, and is used there. Any thread
// may call PostMessageW, SendMessageW(TimeoutW), SetTimer/KillTimer, IsWindow,
// IsWindowVisible, IsWindowEnabled, FindWindowW and GetWindowRect; EnableWindow,
// ShowWindow, SetWindowPos and SetForegroundWindow on another thread's window are
// carried out on that thread.
//
// Without an X display nothing aborts: window creation fails, RegisterWindowMessageW
// returns 0, FindWindowW returns 0. Offscreen windows (present.h) need no display.
//
// Top-level windows carry WM_CLASS (the class name; the program name), their class in a
// property of our own, _NET_WM_PID and WM_DELETE_WINDOW, which arrives as
// WM_SYSCOMMAND(SC_CLOSE). WS_EX_TOOLWINDOW makes a utility window kept off the taskbar
// and pager, WS_EX_TOPMOST starts it above others, an owner becomes WM_TRANSIENT_FOR.
// Pop-ups with WS_EX_NOACTIVATE, or WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT (tooltips),
// are override-redirect and never take the focus; WS_EX_TRANSPARENT windows also have
// an empty input shape, so the pointer passes through them. Every size sent to X is at
// least 1; a window with a zero width or height stays unmapped until it has a size.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window/window_types.h"

struct _XDisplay;

// Window classes (per process).
ATOM RegisterClassExW(const WNDCLASSEXW* windowClass);
BOOL UnregisterClassW(const wchar_t* className, HINSTANCE instance);

// Creates a window of a registered class; WM_NCCREATE and WM_CREATE are sent before it
// returns (lpCreateParams = `param`). Top-level windows carry their class name, so
// FindWindowW of any process finds them. WS_CHILD windows are X subwindows of `parent`;
// other windows with a parent are owned by it. WS_EX_LAYERED windows get a 32-bit ARGB
// visual. 0 on failure (no display, unknown class, WM_NCCREATE returned 0, WM_CREATE -1).
HWND CreateWindowExW(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* param);
// Destroys the windows it owns first (each with WM_DESTROY and WM_NCDESTROY), hides it
// (activating its owner if it was active), then sends WM_DESTROY, destroys its child
// windows, and sends WM_NCDESTROY. Only the owning thread may destroy a window.
BOOL DestroyWindow(HWND hwnd);
// WM_CLOSE destroys the window; WM_SYSCOMMAND(SC_CLOSE) sends WM_CLOSE; WM_NCHITTEST
// answers HTCLIENT; WM_SETCURSOR asks a child's parent first, then sets the class
// cursor for HTCLIENT and the sizing cursors for the edge codes.
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// True for a window of this process, or any existing window on the X server.
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
// Applied at once to the calling thread's windows; for another thread's or process's
// window, a request that its owner applies on its UI thread (the result then is TRUE
// when sent). Showing maps and raises; an activating command (SW_SHOWNORMAL, SW_SHOW,
// SW_SHOWMAXIMIZED, SW_RESTORE) also activates a top-level window: with a window manager
// through _NET_ACTIVE_WINDOW, without one with the input focus once it is viewable.
BOOL ShowWindow(HWND hwnd, int command);
// WM_MOVE and WM_SIZE are sent synchronously, each only on a real change; the X
// server's confirmations of geometries we asked for produce nothing.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// Screen rectangle, and the client rectangle (origin 0,0).
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);
// The placement with rcNormalPosition in work-area coordinates (the window rectangle
// less the offset of its monitor's work area within the monitor); showCmd SW_SHOWNORMAL.
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
// Moves and sizes the window to rcNormalPosition (work-area coordinates), then applies
// showCmd as ShowWindow does (SW_SHOWNORMAL shows it normally).
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement);
// Any thread (another thread's window is changed on its own thread). A disabled window,
// and every child window inside it, gets no pointer or key input; WM_ENABLE follows a
// change. Nonzero when the window was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL SetWindowTextW(HWND hwnd, const wchar_t* text);
HWND GetParent(HWND hwnd);
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
// The owning thread's id (and process id when `processId` is given); 0 when unknown.
// For another process's window the process id comes from _NET_WM_PID.
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);
// Raises a visible top-level window and activates it.
BOOL SetForegroundWindow(HWND hwnd);
// Brings a top-level window of any process to the top: ours as SetForegroundWindow;
// another process's through the window manager (_NET_ACTIVE_WINDOW) when one runs, else
// raised. FALSE when the window does not exist.
BOOL BringWindowToTop(HWND hwnd);
// Gives the keyboard focus to a window of this thread (null for windows that never take
// it); the previous focus window of the thread.
HWND SetFocus(HWND hwnd);
// The thread's active top-level window and focus window (WM_ACTIVATE with WA_ACTIVE /
// WA_INACTIVE and WM_SETFOCUS / WM_KILLFOCUS follow the X focus).
HWND GetActiveWindow();
HWND GetFocus();

// Pointer capture of the calling thread: every pointer message goes to the capture
// window (client coordinates, wherever the pointer is) through an X pointer grab.
// While captured no WM_NCHITTEST / WM_SETCURSOR is sent. The window losing capture
// (released, replaced, or the grab lost because the window was unmapped) gets
// WM_CAPTURECHANGED with the new capture window in lParam.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
// The pointer in screen coordinates.
BOOL GetCursorPos(POINT* point);
// The system cursors (IDC_ARROW, IDC_IBEAM, IDC_HAND, IDC_SIZEWE, IDC_SIZENS,
// IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEALL, IDC_WAIT, IDC_CROSS); null for others.
HCURSOR LoadCursorW(HINSTANCE instance, const wchar_t* name);
// Sets the cursor of the window that gets pointer input now (the capture window, else
// the one that last received pointer input); returns the previous cursor.
HCURSOR SetCursor(HCURSOR cursor);

// Key state of the calling thread, updated from each key and pointer message before it
// is dispatched: Shift, Control, Alt (VK_MENU), the Windows key, the mouse buttons and
// every pressed key. The high bit is set while down; bit 0 toggles on each press.
SHORT GetKeyState(int virtualKey);
BOOL GetKeyboardState(BYTE* state);          // 256 bytes
BOOL SetKeyboardState(const BYTE* state);    // 256 bytes (tests driving input)

// Pointer input: before each pointer message (move, press, release, double click) is
// taken from the queue, the window gets WM_NCHITTEST (screen point) and WM_SETCURSOR
// (wParam the window, LOWORD(lParam) the hit code, HIWORD(lParam) the message), unless
// the thread has captured the pointer. Entering a window (also coming back from one of
// its child windows) gives a WM_MOUSEMOVE; leaving it (also onto a child window) gives
// WM_MOUSELEAVE.

// Painting: invalid areas produce WM_PAINT when nothing else is pending.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL UpdateWindow(HWND hwnd);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);

// The message queue of the calling thread.
// GetMessageW: 0 for WM_QUIT, -1 when `hwnd` is not a window of this thread, else 1.
BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits until a message is available.
BOOL WaitMessage();
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
void PostQuitMessage(int exitCode);

// Posts to the window's owning thread (any thread; another process's window too). A
// null window posts to the calling thread's queue.
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure on its owning thread and waits for the result; while it
// waits, messages sent to the calling thread are dispatched.
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// As SendMessageW, giving up after `timeoutMs`: 0 (ERROR_TIMEOUT) when no answer came.
// For another process's window, wParam, lParam and the result travel as 32-bit values.
LRESULT SendMessageTimeoutW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                            UINT timeoutMs, DWORD_PTR* result);

// Timers delivered as queued WM_TIMER on the window's own thread (at most one pending
// per timer; the next is due `elapseMs` after the last was taken; periods below 10 ms
// are raised to 10). Callable from any thread for a window of this process. With a
// TIMERPROC, DispatchMessageW calls it. A null window makes a thread timer of the
// calling thread with a new id.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// A message id shared by every process on the same X server (from the X atom of
// `name`; at least 0xC000). 0 without a display.
UINT RegisterWindowMessageW(const wchar_t* name);
// The first top-level window (of any process) whose class is `className` (and whose
// title is `windowName` when given). 0 when none or without a display.
HWND FindWindowW(const wchar_t* className, const wchar_t* windowName);

DWORD GetMessageTime();
DWORD GetMessagePos();

namespace zovi::platform {

// The number of DispatchMessageW calls active on the calling thread (0 outside any):
// code that frees objects a handler may still use waits until the depth falls below
// the one at which they were given up.
int DispatchDepth();

// The X connection a window of this process lives on (for drawing), or null.
_XDisplay* WindowDisplay(HWND hwnd);
// The X visual and depth of a window of this process.
void* WindowVisual(HWND hwnd);
int WindowDepth(HWND hwnd);

// True when the X server can be reached (a display is set and opens).
bool HasDisplay();

// The process id stored on a top-level window (0 when unknown).
DWORD WindowProcessId(HWND hwnd);

// Asks the window manager for no decorations (_MOTIF_WM_HINTS).
bool SetWindowUndecorated(HWND hwnd);
// Adds or removes _NET_WM_STATE_MODAL.
bool SetModalState(HWND hwnd, bool modal);
// One size of a window icon: `argb` holds width × height pixels, row by row, as
// 0xAARRGGBB (not premultiplied).
struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};
// Sets _NET_WM_ICON to the given sizes (an empty list removes it).
bool SetWindowIcon(HWND hwnd, const std::vector<IconImage>& icons);
// True when a compositing manager runs (it owns _NET_WM_CM_S<screen>).
bool HasCompositor();

}  // namespace zovi::platform
