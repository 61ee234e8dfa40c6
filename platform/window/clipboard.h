// Copy and paste through the X selections. Text we put on a selection is served from our
// windows' message loop (as UTF-8) until another client takes the selection; pasting asks
// the owner and answers later from the message loop. Offscreen windows share one clipboard
// inside the process, so tests without an X server can copy and paste.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "platform/window/window_types.h"

namespace zovi::platform {

using ClipboardTextCallback = std::function<void(std::optional<std::wstring>)>;

// Puts `text` on the CLIPBOARD selection, owned through `owner`.
BOOL SetClipboardText(HWND owner, const std::wstring& text);
// Asks for the CLIPBOARD text; `done` runs later on the calling thread, from the message
// loop, with the text or nullopt (nothing there, not text, timeout, `requester` died).
// FALSE when it cannot ask (then `done` never runs).
BOOL RequestClipboardText(HWND requester, ClipboardTextCallback done);
// The PRIMARY selection (an edit's selected text), same rules as SetClipboardText.
BOOL SetPrimarySelectionText(HWND owner, const std::wstring& text);

}  // namespace zovi::platform
