// The whiteboard's shortcut table (accelerator table 128), shared by the whiteboard and
// its toolbar: Ctrl+F1..F6 give the commands 2000..2005 (paint modes 1..6), Esc 3000
// (exit), Ctrl+F9..F12 3001..3004 (colour, line width, revoke, clear). A translated key
// becomes WM_COMMAND (high word 1, the accelerator's mark) sent to the target window.
#pragma once
#include <span>

#include "platform/window/window.h"

namespace DuiLib {

struct WBAccelerator {
    bool ctrl;
    UINT vk;
    WORD command;
};

inline constexpr int kWBAcceleratorTableId = 128;
inline constexpr WORD kWBCommandFirstMode = 2000, kWBCommandLastMode = 2005;
inline constexpr WORD kWBCommandExit = 3000, kWBCommandColor = 3001, kWBCommandLineWidth = 3002,
                      kWBCommandRevoke = 3003, kWBCommandClear = 3004;

struct WBAcceleratorTable {
    std::span<const WBAccelerator> entries;
};
using HWBACCEL = const WBAcceleratorTable*;

// The table as LoadAcceleratorsW(…, 128) gives it; it lives for the process, so
// "releasing" it is dropping the handle.
HWBACCEL LoadWBAccelerators();

// TranslateAcceleratorW: when `msg` is a key-down of the table, with Ctrl, Shift and Alt
// as the entry asks (only Ctrl, or nothing, as GetKeyState reads them), sends WM_COMMAND
// (MAKEWPARAM(command, 1), 0) to `target` and returns true. Null table or message: false.
bool TranslateWBAccelerator(HWND target, HWBACCEL table, const MSG* msg);

// True for the command ids the whiteboard handles (2000..2005, 3000..3004).
constexpr bool IsWBCommand(UINT id) {
    return (id >= kWBCommandFirstMode && id <= kWBCommandLastMode) || (id >= kWBCommandExit && id <= kWBCommandClear);
}

}  // namespace DuiLib
