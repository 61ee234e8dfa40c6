// Windows and messages over X11 (the user32 stand-in). Each thread that makes windows
// owns a message queue that merges, in Win32's order: sent messages (dispatched inside
// GetMessageW/PeekMessageW), posted messages, the quit message, input from the X server
// (mouse, keys), WM_PAINT for invalid windows, and WM_TIMER for due timers. Windows of
// other processes are reached through X client messages: posts, sends with a reply,
// and show/position requests the owner applies on its own thread.
//
// Without an X display nothing aborts: window creation fails, RegisterWindowMessageW
// returns 0, FindWindowW returns 0.
#pragma once
#include <string>

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
// Sends WM_DESTROY and WM_NCDESTROY (children first get theirs too) and destroys it.
// Only the owning thread may destroy a window.
BOOL DestroyWindow(HWND hwnd);
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// True for a window of this process, or any existing window on the X server.
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
// Applied at once to this process's windows; for another process's window, a request
// that its owner applies on its UI thread (the result then is TRUE when sent).
BOOL ShowWindow(HWND hwnd, int command);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// Screen rectangle, and the client rectangle (origin 0,0).
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL SetWindowTextW(HWND hwnd, const wchar_t* text);
HWND GetParent(HWND hwnd);
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
// The owning thread's id (and process id when `processId` is given); 0 when unknown.
// For another process's window the process id comes from _NET_WM_PID.
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);
BOOL SetForegroundWindow(HWND hwnd);
HWND SetFocus(HWND hwnd);

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

// Timers of the calling thread, delivered as queued WM_TIMER (at most one pending per
// timer; the next is due `elapseMs` after the last was taken). With a TIMERPROC,
// DispatchMessageW calls it. A null window makes a thread timer with a new id.
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

// The X connection a window of this process lives on (for drawing), or null.
_XDisplay* WindowDisplay(HWND hwnd);
// The X visual and depth of a window of this process.
void* WindowVisual(HWND hwnd);
int WindowDepth(HWND hwnd);

// True when the X server can be reached (a display is set and opens).
bool HasDisplay();

// The process id stored on a top-level window (0 when unknown).
DWORD WindowProcessId(HWND hwnd);

}  // namespace zovi::platform
