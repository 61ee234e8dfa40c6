// Input for tests at the window level: the messages the platform's X translation would
// give a window (WM_NCHITTEST and WM_SETCURSOR before each pointer message, the key
// state, WM_KEYDOWN / WM_CHAR / WM_KEYUP through the loops' pre-translation), each
// followed by a pump of the thread's queue until nothing is waiting. Works on offscreen
// and X windows of the calling thread.
#pragma once
#include "platform/window/window_types.h"

namespace DuiLib::test {

// Dispatches what the calling thread's queue holds (through the loops' pre-translation)
// until it is empty; a WM_QUIT found is posted again and ends the pump.
void PumpUntilIdle();

// Pointer at a client point: a move, or a left click (move, press, release).
void MoveTo(HWND hwnd, POINT client);
void ClickAt(HWND hwnd, POINT client);
// A left click at the centre of the named control of a library window; false (and no
// input) when the window has no such control.
bool Click(HWND hwnd, const wchar_t* name);
// A left press at `from`, motions to `to` in `steps`, and the release there.
void DragFrom(HWND hwnd, POINT from, POINT to, int steps);

// One key: WM_KEYDOWN (the character it makes travels as the platform's does), the
// WM_CHAR its translation posts, WM_KEYUP.
void Key(HWND hwnd, UINT vk);
// Each character: ASCII as key strokes, others as the WM_CHAR an input method commits.
void Type(HWND hwnd, const wchar_t* text);

}  // namespace DuiLib::test
