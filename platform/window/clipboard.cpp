// Copy and paste through the X selections (UTF-8 text), and the in-process clipboard of
// offscreen windows. Paste answers are handed to the caller from the message loop through
// a thread timer, never from inside the X event pump.
#include "platform/window/clipboard.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/utf8.h"
#include "platform/window/clipboard_x.h"
#include "platform/window/window_internal.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform::window_detail {

namespace {

constexpr UINT kPasteTimeoutMs = 2000;
constexpr const char* kPasteProperty = "_ZOVI_CLIPBOARD_PASTE";

// Text this thread serves for a selection, and the window that owns it.
struct OwnedSelection {
    Window owner = 0;
    std::string utf8;
};

struct PendingPaste {
    HWND requester = 0;
    UINT_PTR timer = 0;
    bool answered = false;
    std::optional<std::wstring> text;
    ClipboardTextCallback done;
};

struct ThreadClipboard {
    std::map<Atom, OwnedSelection> owned;  // by selection atom
    std::vector<PendingPaste> pending;     // in request order
};

ThreadClipboard& Clipboard() {
    thread_local ThreadClipboard clipboard;
    return clipboard;
}

// Offscreen windows share one clipboard and one primary selection per process.
struct OffscreenSelections {
    std::mutex lock;
    std::optional<std::wstring> clipboard, primary;
};
OffscreenSelections& Offscreen() {
    static auto* selections = new OffscreenSelections;
    return *selections;
}

void OnPasteTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto& pending = Clipboard().pending;
    auto it = std::find_if(pending.begin(), pending.end(), [id](const PendingPaste& p) { return p.timer == id; });
    KillTimer(0, id);
    if (it == pending.end()) return;
    PendingPaste paste = std::move(*it);
    pending.erase(it);
    paste.done(paste.answered ? std::move(paste.text) : std::nullopt);
}

// The answer is in: the caller gets it from the loop as soon as it looks at its timers.
void Answer(PendingPaste& paste, std::optional<std::wstring> text) {
    paste.answered = true;
    paste.text = std::move(text);
    KillTimer(0, paste.timer);
    paste.timer = SetTimer(0, 0, 0, &OnPasteTimer);
}

BOOL SetSelectionText(HWND owner, const char* selection, const std::wstring& text) {
    RecordPtr record = FindOwnRecord(owner);
    if (!record) return FALSE;
    if (!record->display) {
        OffscreenSelections& offscreen = Offscreen();
        std::lock_guard lock(offscreen.lock);
        (std::string(selection) == "CLIPBOARD" ? offscreen.clipboard : offscreen.primary) = text;
        return TRUE;
    }
    Display* display = record->display;
    const Atom atom = GetAtom(display, selection);
    XSetSelectionOwner(display, atom, owner, CurrentTime);
    if (XGetSelectionOwner(display, atom) != owner) return FALSE;
    Clipboard().owned[atom] = OwnedSelection{owner, WideToUtf8(text)};
    return TRUE;
}

// Answers another client's request for text we own (ICCCM: a refusal has property None).
void ServeRequest(const XSelectionRequestEvent& request) {
    Display* display = request.display;
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = display;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    reply.property = None;
    x11::CXErrorTrap trap(display);  // the requestor may be gone already
    auto& owned = Clipboard().owned;
    auto it = owned.find(request.selection);
    // Obsolete clients name no property: the target is the property then.
    const Atom property = request.property != None ? request.property : request.target;
    const Atom utf8 = GetAtom(display, "UTF8_STRING");
    if (it != owned.end() && it->second.owner == request.owner) {
        const std::string& text = it->second.utf8;
        if (request.target == GetAtom(display, "TARGETS")) {
            const long targets[] = {static_cast<long>(GetAtom(display, "TARGETS")), static_cast<long>(utf8),
                                    static_cast<long>(XA_STRING), static_cast<long>(GetAtom(display, "TEXT"))};
            XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(targets), 4);
            reply.property = property;
        } else if ((request.target == utf8 || request.target == XA_STRING ||
                    request.target == GetAtom(display, "TEXT")) &&
                   text.size() + 64 < static_cast<size_t>(XExtendedMaxRequestSize(display)
                                                              ? XExtendedMaxRequestSize(display) * 4
                                                              : XMaxRequestSize(display) * 4)) {
            XChangeProperty(display, request.requestor, property, utf8, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
            reply.property = property;
        }
    }
    XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    trap.Failed();
}

// The owner's answer to our paste request: the text, or nothing.
void TakeAnswer(const XSelectionEvent& answer) {
    auto& pending = Clipboard().pending;
    auto it = std::find_if(pending.begin(), pending.end(), [&](const PendingPaste& p) {
        return p.requester == answer.requestor && !p.answered;
    });
    if (it == pending.end()) return;
    std::optional<std::wstring> text;
    if (answer.property != None) {
        Display* display = answer.display;
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, answer.requestor, answer.property, 0, 0x7FFFFFF, True, AnyPropertyType, &type,
                               &format, &count, &after, &data) == Success &&
            format == 8 && (type == GetAtom(display, "UTF8_STRING") || type == XA_STRING)) {
            const std::string bytes(reinterpret_cast<const char*>(data), count);
            if (type == XA_STRING) {  // Latin-1
                text.emplace(bytes.begin(), bytes.end());
                for (wchar_t& c : *text) c = static_cast<wchar_t>(static_cast<unsigned char>(c));
            } else {
                text = Utf8ToWide(bytes);
            }
        }
        if (data) XFree(data);
    }
    Answer(*it, std::move(text));
}

}  // namespace

bool HandleSelectionEvent(XEvent& event) {
    switch (event.type) {
        case SelectionRequest:
            ServeRequest(event.xselectionrequest);
            return true;
        case SelectionClear: {
            auto& owned = Clipboard().owned;
            auto it = owned.find(event.xselectionclear.selection);
            if (it != owned.end() && it->second.owner == event.xselectionclear.window) owned.erase(it);
            return true;
        }
        case SelectionNotify:
            TakeAnswer(event.xselection);
            return true;
        default:
            return false;
    }
}

void ClipboardWindowGone(Window window) {
    ThreadClipboard& clipboard = Clipboard();
    std::erase_if(clipboard.owned, [window](const auto& entry) { return entry.second.owner == window; });
    for (PendingPaste& paste : clipboard.pending) {
        if (paste.requester == window && !paste.answered) Answer(paste, std::nullopt);
    }
}

}  // namespace zovi::platform::window_detail

namespace zovi::platform {

using namespace window_detail;

BOOL SetClipboardText(HWND owner, const std::wstring& text) { return SetSelectionText(owner, "CLIPBOARD", text); }

BOOL SetPrimarySelectionText(HWND owner, const std::wstring& text) {
    return SetSelectionText(owner, "PRIMARY", text);
}

BOOL RequestClipboardText(HWND requester, ClipboardTextCallback done) {
    RecordPtr record = FindOwnRecord(requester);
    if (!record || !done) return FALSE;
    PendingPaste paste;
    paste.requester = requester;
    paste.done = std::move(done);
    if (!record->display) {
        OffscreenSelections& offscreen = Offscreen();
        std::lock_guard lock(offscreen.lock);
        paste.answered = true;
        paste.text = offscreen.clipboard;
        paste.timer = SetTimer(0, 0, 0, &OnPasteTimer);
    } else {
        Display* display = record->display;
        const Atom clipboard = GetAtom(display, "CLIPBOARD");
        if (XGetSelectionOwner(display, clipboard) == None) {
            paste.answered = true;  // nothing there
            paste.timer = SetTimer(0, 0, 0, &OnPasteTimer);
        } else {
            XConvertSelection(display, clipboard, GetAtom(display, "UTF8_STRING"), GetAtom(display, kPasteProperty),
                              requester, CurrentTime);
            XFlush(display);
            paste.timer = SetTimer(0, 0, kPasteTimeoutMs, &OnPasteTimer);
        }
    }
    if (!paste.timer) return FALSE;
    Clipboard().pending.push_back(std::move(paste));
    return TRUE;
}

}  // namespace zovi::platform
