// X events of the thread's connection, translated into the messages the windows handle.
#include <algorithm>
#include <cstdlib>

#include "platform/window/clipboard_x.h"
#include "platform/window/key_map.h"
#include "platform/window/text_input_x.h"
#include "platform/window/window_internal.h"

namespace zovi::platform::window_detail {

namespace {

WPARAM MouseKeyState(unsigned state) {
    WPARAM keys = 0;
    if (state & Button1Mask) keys |= MK_LBUTTON;
    if (state & Button2Mask) keys |= MK_MBUTTON;
    if (state & Button3Mask) keys |= MK_RBUTTON;
    if (state & ShiftMask) keys |= MK_SHIFT;
    if (state & ControlMask) keys |= MK_CONTROL;
    return keys;
}

WPARAM ButtonKey(unsigned button) {
    switch (button) {
        case Button1: return MK_LBUTTON;
        case Button2: return MK_MBUTTON;
        case Button3: return MK_RBUTTON;
        default: return 0;
    }
}

void AddInvalid(RECT& into, const RECT& add) {
    if (into.right <= into.left || into.bottom <= into.top) {
        into = add;
        return;
    }
    into.left = std::min(into.left, add.left);
    into.top = std::min(into.top, add.top);
    into.right = std::max(into.right, add.right);
    into.bottom = std::max(into.bottom, add.bottom);
}

// While the thread has captured the pointer, pointer input of its other windows goes to
// the capture window, in that window's client coordinates.
HWND PointerTarget(const MessageQueue& queue, HWND hwnd, int rootX, int rootY, int* x, int* y) {
    if (!queue.capture || queue.capture == hwnd) return hwnd;
    RECT capture{};
    if (!GetWindowRect(queue.capture, &capture)) return hwnd;
    *x = rootX - capture.left;
    *y = rootY - capture.top;
    return queue.capture;
}

constexpr short kWheelStep = static_cast<short>(WHEEL_DELTA);

}  // namespace

int MessageQueue::AddFilter(std::function<bool(XEvent&)> filter) {
    filters_.emplace_back(nextFilterId_, std::make_shared<std::function<bool(XEvent&)>>(std::move(filter)));
    return nextFilterId_++;
}

void MessageQueue::RemoveFilter(int id) {
    std::erase_if(filters_, [id](const auto& entry) { return entry.first == id; });
}

void MessageQueue::HandleXEvent(XEvent& event) {
    // Filters for windows that are not ours see events first; a copy of the list, as a
    // filter may add or remove filters while it runs.
    if (!filters_.empty()) {
        const auto filters = filters_;
        for (const auto& entry : filters)
            if ((*entry.second)(event)) return;
    }
    // The input method sees every event first; what it takes (keys of a composition) is
    // not ours to translate.
    if (FilterTextInputEvent(event)) return;
    if (HandleSelectionEvent(event)) return;
    if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        return;
    }
    if (event.type == DestroyNotify) {
        ForgetInputContext(event.xdestroywindow.window);
        ClipboardWindowGone(event.xdestroywindow.window);
        return;
    }
    const HWND hwnd = event.xany.window;
    RecordPtr record = FindRecord(hwnd);
    if (!record) return;
    switch (event.type) {
        case Expose: {
            // A layered window's background holds its picture; the server repaints it.
            if ((record->exStyle & WS_EX_LAYERED) && !(record->style & WS_CHILD)) break;
            RECT area{event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                      event.xexpose.y + event.xexpose.height};
            std::lock_guard lock(Registry::Get().lock);
            AddInvalid(record->invalidRect, area);
            record->invalid = true;
            break;
        }
        case ConfigureNotify:
            if (event.xconfigure.window == hwnd) HandleConfigure(record, event.xconfigure);
            break;
        case ReparentNotify:
            record->reparented = event.xreparent.parent != DefaultRootWindow(display_);
            break;
        case MapNotify:
            record->viewable = true;
            if (record->focusWhenViewable) {
                record->focusWhenViewable = false;
                if (record->visible) RequestActivation(*record);
            }
            // Companions of a top-level window (its shadow) follow it on and off the screen.
            if (!(record->style & WS_CHILD)) CallProc(hwnd, WM_SHOWWINDOW, TRUE, 0);
            break;
        case UnmapNotify:
            record->viewable = false;
            // An unmapped window loses the pointer grab.
            if (capture && (capture == hwnd || TopLevelOf(capture) == hwnd)) DropCapture(*this, false);
            if (!(record->style & WS_CHILD) && FindRecord(hwnd)) CallProc(hwnd, WM_SHOWWINDOW, FALSE, 0);
            break;
        case FocusIn:
        case FocusOut:
            HandleFocusEvent(*this, record, event.xfocus);
            if (!(record->style & WS_CHILD)) NoteTextInputWindowActive(hwnd, active == hwnd);
            break;
        case MotionNotify:
        case EnterNotify:
        case LeaveNotify:
        case ButtonPress:
        case ButtonRelease:
            TranslatePointer(record, event);
            break;
        case KeyPress:
        case KeyRelease:
            TranslateKey(hwnd, event.xkey);
            break;
        case ClientMessage:
            HandleClientMessage(record, event.xclient);
            break;
        default:
            break;
    }
}

void MessageQueue::TranslatePointer(const RecordPtr& record, const XEvent& event) {
    const HWND hwnd = record->hwnd;
    MSG msg{};
    msg.hwnd = hwnd;
    msg.time = static_cast<DWORD>(NowNs() / 1'000'000);
    switch (event.type) {
        case MotionNotify: {
            const auto& m = event.xmotion;
            int x = m.x, y = m.y;
            msg.hwnd = PointerTarget(*this, hwnd, m.x_root, m.y_root, &x, &y);
            msg.message = WM_MOUSEMOVE;
            msg.wParam = MouseKeyState(m.state);
            msg.lParam = MAKELPARAM(x, y);
            msg.pt = {m.x_root, m.y_root};
            PushInput(msg, m.state, true);
            break;
        }
        case EnterNotify:
        case LeaveNotify: {
            // Crossings from grabs, and those of windows the pointer only passed over on
            // its way to or from a child window, mean nothing here. Moving onto a child
            // window is a leave; coming back from one is an enter.
            const auto& c = event.xcrossing;
            if (c.mode != NotifyNormal || c.detail == NotifyVirtual || c.detail == NotifyNonlinearVirtual) break;
            if (capture && capture != hwnd) break;
            msg.pt = {c.x_root, c.y_root};
            if (event.type == EnterNotify) {
                msg.message = WM_MOUSEMOVE;
                msg.wParam = MouseKeyState(c.state);
                msg.lParam = MAKELPARAM(c.x, c.y);
                PushInput(msg, c.state, true);
            } else {
                msg.message = WM_MOUSELEAVE;
                PushInput(msg, c.state, false);
            }
            break;
        }
        default:
            TranslateButton(record, event.xbutton, msg);
            break;
    }
}

void MessageQueue::TranslateButton(const RecordPtr& record, const XButtonEvent& b, MSG& msg) {
    const bool press = b.type == ButtonPress;
    int x = b.x, y = b.y;
    msg.hwnd = PointerTarget(*this, record->hwnd, b.x_root, b.y_root, &x, &y);
    msg.pt = {b.x_root, b.y_root};
    if (b.button >= Button4 && b.button <= Button4 + 3) {
        if (!press) return;
        // 4 and 5: the wheel away from and towards the user; 6 and 7: tilted left and right.
        const bool vertical = b.button == Button4 || b.button == Button5;
        const bool positive = b.button == Button4 || b.button == Button4 + 3;
        msg.message = vertical ? WM_MOUSEWHEEL : WM_MOUSEHWHEEL;
        msg.wParam = MAKEWPARAM(MouseKeyState(b.state), positive ? kWheelStep : -kWheelStep);
        msg.lParam = MAKELPARAM(b.x_root, b.y_root);
        PushInput(msg, b.state, false);
        return;
    }
    static const UINT kDown[] = {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
    static const UINT kUp[] = {WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP};
    if (b.button < Button1 || b.button > Button3) return;
    const unsigned index = b.button - Button1;
    msg.message = press ? kDown[index] : kUp[index];
    const WPARAM held = MouseKeyState(b.state);
    msg.wParam = press ? (held | ButtonKey(b.button)) : (held & ~ButtonKey(b.button));
    msg.lParam = MAKELPARAM(x, y);
    RecordPtr target = msg.hwnd == record->hwnd ? record : FindRecord(msg.hwnd);
    if (press && target) {
        const bool twice = (target->classStyle & CS_DBLCLKS) && target->lastPressButton == b.button &&
                           b.time - target->lastPressTime <= 500 && std::abs(x - target->lastPressX) <= 4 &&
                           std::abs(y - target->lastPressY) <= 4;
        if (twice) {
            msg.message += 2;  // the double-click message follows the up message
            target->lastPressButton = 0;
        } else {
            target->lastPressButton = b.button;
            target->lastPressTime = b.time;
            target->lastPressX = x, target->lastPressY = y;
        }
    }
    PushInput(msg, b.state, false);
}

void MessageQueue::TranslateKey(HWND hwnd, XKeyEvent& k) {
    const bool press = k.type == KeyPress;
    KeySym shifted = NoSymbol;
    const std::wstring text = LookupKeyText(TopLevelOf(hwnd), k, &shifted);
    // A key of the keyboard map: its virtual key and the character its keysym makes; text
    // an input method committed (no key, or several characters) arrives as characters.
    const UINT vk = k.keycode != 0 ? VirtualKeyFromKeysym(XLookupKeysym(&k, 0)) : 0;
    wchar_t character = KeysymCharacter(shifted);
    if (character == 0 && text.size() == 1) character = text[0];
    MSG msg{};
    msg.hwnd = hwnd;
    msg.time = static_cast<DWORD>(NowNs() / 1'000'000);
    if (vk == 0 || (press && text.size() > 1)) {
        if (!press) return;
        if (vk != 0) {
            msg.message = (k.state & Mod1Mask) ? WM_SYSKEYDOWN : WM_KEYDOWN;
            msg.wParam = vk;
            msg.lParam = 1 | (static_cast<LPARAM>((k.keycode - 8) & 0xFF) << 16);
            PushInput(msg, k.state, false);
        }
        const std::wstring committed = text.empty() && character ? std::wstring(1, character) : text;
        for (wchar_t c : committed) {
            msg.message = WM_CHAR;
            msg.wParam = static_cast<WPARAM>(c);
            msg.lParam = 1;
            PushInput(msg, k.state, false);
        }
        return;
    }
    // Alt held, Alt itself and F10 make system keys.
    const bool system = (k.state & Mod1Mask) != 0 || vk == VK_MENU || vk == VK_F10;
    msg.message = press ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    msg.wParam = vk;
    LPARAM bits = 1 | (static_cast<LPARAM>((k.keycode - 8) & 0xFF) << 16);
    if (!press) bits |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
    // The character travels above the 32 bits of the system's key data, for
    // TranslateMessage.
    msg.lParam = static_cast<LPARAM>(static_cast<DWORD>(bits)) | (static_cast<LPARAM>(character) << 32);
    PushInput(msg, k.state, false);
}

void MessageQueue::HandleClientMessage(const RecordPtr& record, const XClientMessageEvent& c) {
    const HWND hwnd = record->hwnd;
    if (c.message_type == GetAtom(display_, "WM_PROTOCOLS") &&
        static_cast<Atom>(c.data.l[0]) == GetAtom(display_, "WM_DELETE_WINDOW")) {
        CallProc(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (c.message_type == GetAtom(display_, kPostAtom)) {
        MSG msg{};
        msg.hwnd = hwnd;
        msg.time = static_cast<DWORD>(NowNs() / 1'000'000);
        msg.message = static_cast<UINT>(c.data.l[0]);
        msg.wParam = static_cast<WPARAM>(static_cast<DWORD>(c.data.l[1]));
        msg.lParam = static_cast<LPARAM>(static_cast<LONG>(c.data.l[2]));
        std::lock_guard lock(lock_);
        posted_.push_back(msg);
    } else if (c.message_type == GetAtom(display_, kSendAtom)) {
        LRESULT result =
            CallProc(hwnd, static_cast<UINT>(c.data.l[0]), static_cast<WPARAM>(static_cast<DWORD>(c.data.l[1])),
                     static_cast<LPARAM>(static_cast<LONG>(c.data.l[2])));
        const long reply[5] = {c.data.l[4], static_cast<long>(result & 0xFFFFFFFF),
                               static_cast<long>((static_cast<std::uint64_t>(result) >> 32) & 0xFFFFFFFF), 0, 0};
        SendClientMessage(display_, static_cast<Window>(c.data.l[3]), kReplyAtom, reply);
    } else if (c.message_type == GetAtom(display_, kRequestAtom)) {
        if (c.data.l[0] == kRequestShow) {
            // Another process may show our window but not take the focus from where the
            // user has it (as a background program cannot steal the foreground).
            int command = static_cast<int>(c.data.l[1]);
            if (command == SW_SHOWNORMAL || command == SW_RESTORE) command = SW_SHOWNOACTIVATE;
            if (command == SW_SHOW || command == SW_SHOWMAXIMIZED) command = SW_SHOWNA;
            ShowOwnWindow(record, command);
        } else if (c.data.l[0] == kRequestPosition) {
            auto insertAfter = static_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(c.data.l[1])));
            const auto xy = static_cast<DWORD>(c.data.l[2]);
            const auto size = static_cast<DWORD>(c.data.l[3]);
            PositionOwnWindow(record, insertAfter, static_cast<short>(LOWORD(xy)), static_cast<short>(HIWORD(xy)),
                              LOWORD(size), HIWORD(size), static_cast<UINT>(c.data.l[4]));
        }
    }
}

}  // namespace zovi::platform::window_detail
