// Text input through the X input method: one input method per thread connection, one
// input context per top-level window, committed text decoded with Xutf8LookupString.
#include "platform/window/text_input.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <clocale>
#include <map>
#include <mutex>
#include <string>

#include "platform/base/utf8.h"
#include "platform/window/key_map.h"
#include "platform/window/text_input_x.h"
#include "platform/window/window_internal.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform::window_detail {

namespace {

struct InputContext {
    XIC ic = nullptr;
    XIMStyle style = 0;
    bool wanted = false;  // an edit of the window asked for input-method focus
    bool active = false;  // the window is the active one
    bool focused = false;  // XSetICFocus in force
};

// The thread's input method (each UI thread has its own connection). Destroyed at thread
// exit, before the connection (which was opened before the first context was made).
class ThreadInputMethod {
public:
    ~ThreadInputMethod() {
        for (auto& [window, context] : contexts_) {
            if (context.ic) XDestroyIC(context.ic);
        }
        if (im_) XCloseIM(im_);
    }

    bool Open(Display* display) {
        if (tried_) return im_ != nullptr && display == display_;
        tried_ = true;
        display_ = display;
        static std::once_flag localeOnce;
        static bool localeSupported = false;
        std::call_once(localeOnce, [] {
            std::setlocale(LC_CTYPE, "");
            localeSupported = XSupportsLocale() != False;
        });
        if (!localeSupported) return false;
        // The user's input method (XMODIFIERS), else Xlib's own, which still composes.
        XSetLocaleModifiers("");
        im_ = XOpenIM(display, nullptr, nullptr, nullptr);
        if (!im_) {
            XSetLocaleModifiers("@im=none");
            im_ = XOpenIM(display, nullptr, nullptr, nullptr);
        }
        if (!im_) return false;
        XIMCallback destroyed{reinterpret_cast<XPointer>(this), &ThreadInputMethod::OnDestroyed};
        XSetIMValues(im_, XNDestroyCallback, &destroyed, nullptr);
        style_ = ChooseStyle();
        if (style_ == 0) {
            XCloseIM(im_);
            im_ = nullptr;
        }
        return im_ != nullptr;
    }

    void Create(Display* display, Window window, long eventMask) {
        if (!Open(display)) return;
        XIC ic = nullptr;
        XIMStyle style = style_;
        {
            x11::CXErrorTrap trap(display);
            if (style_ & XIMPreeditPosition) {
                XPoint spot{0, 0};
                XVaNestedList preedit = XVaCreateNestedList(0, XNSpotLocation, &spot, nullptr);
                ic = XCreateIC(im_, XNInputStyle, style_, XNClientWindow, window, XNFocusWindow, window,
                               XNPreeditAttributes, preedit, nullptr);
                XFree(preedit);
            }
            if (!ic) {
                style = XIMPreeditNothing | XIMStatusNothing;
                ic = XCreateIC(im_, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, window,
                               XNFocusWindow, window, nullptr);
            }
        }
        if (!ic) return;
        long filterMask = 0;
        if (!XGetICValues(ic, XNFilterEvents, &filterMask, nullptr) && (filterMask & ~eventMask)) {
            XSelectInput(display, window, eventMask | filterMask);
        }
        contexts_[window] = InputContext{ic, style};
    }

    void Forget(Window window) {
        auto it = contexts_.find(window);
        if (it == contexts_.end()) return;
        if (it->second.ic) XDestroyIC(it->second.ic);
        contexts_.erase(it);
    }

    InputContext* Find(Window window) {
        auto it = contexts_.find(window);
        return it == contexts_.end() || !it->second.ic ? nullptr : &it->second;
    }

    // XSetICFocus while an edit wants it and the window is active.
    static void Apply(InputContext& context) {
        const bool focus = context.wanted && context.active;
        if (focus == context.focused) return;
        context.focused = focus;
        if (focus) XSetICFocus(context.ic);
        else XUnsetICFocus(context.ic);
    }

private:
    // Pre-edit at the caret where the input method offers it, else drawn by it alone.
    XIMStyle ChooseStyle() {
        XIMStyles* styles = nullptr;
        if (XGetIMValues(im_, XNQueryInputStyle, &styles, nullptr) || !styles) return 0;
        XIMStyle chosen = 0;
        for (unsigned short i = 0; i < styles->count_styles; ++i) {
            const XIMStyle style = styles->supported_styles[i];
            if (style == (XIMPreeditPosition | XIMStatusNothing)) chosen = style;
            if (style == (XIMPreeditNothing | XIMStatusNothing) && chosen == 0) chosen = style;
        }
        XFree(styles);
        return chosen;
    }

    // The input method's server went away: its contexts are gone with it.
    static void OnDestroyed(XIM, XPointer self, XPointer) {
        auto* method = reinterpret_cast<ThreadInputMethod*>(self);
        method->im_ = nullptr;
        for (auto& [window, context] : method->contexts_) context.ic = nullptr;
    }

    bool tried_ = false;
    Display* display_ = nullptr;
    XIM im_ = nullptr;
    XIMStyle style_ = 0;
    std::map<Window, InputContext> contexts_;
};

ThreadInputMethod& Method() {
    thread_local ThreadInputMethod method;
    return method;
}

// Input contexts belong to top-level X windows of the calling thread.
InputContext* ContextOf(HWND hwnd) {
    const HWND top = TopLevelOf(hwnd);
    RecordPtr record = FindOwnRecord(top);
    if (!record || !record->display) return nullptr;
    return Method().Find(top);
}

}  // namespace

void CreateInputContext(Display* display, Window window, long eventMask) {
    Method().Create(display, window, eventMask);
}

void ForgetInputContext(Window window) { Method().Forget(window); }

bool FilterTextInputEvent(XEvent& event) { return XFilterEvent(&event, None) != False; }

std::wstring LookupKeyText(Window topLevel, XKeyEvent& event, KeySym* keysym) {
    *keysym = NoSymbol;
    InputContext* context = event.type == KeyPress ? Method().Find(topLevel) : nullptr;
    if (!context) {
        char ignored[16];
        XLookupString(&event, ignored, sizeof ignored, keysym, nullptr);
        const wchar_t character = KeysymCharacter(*keysym);
        return character ? std::wstring(1, character) : std::wstring();
    }
    std::string text(64, '\0');
    Status status = 0;
    int length = Xutf8LookupString(context->ic, &event, text.data(), static_cast<int>(text.size()), keysym, &status);
    if (status == XBufferOverflow) {
        text.assign(static_cast<size_t>(length), '\0');
        length = Xutf8LookupString(context->ic, &event, text.data(), length, keysym, &status);
    }
    if (status != XLookupChars && status != XLookupBoth) {
        if (status != XLookupKeySym) *keysym = NoSymbol;
        return {};
    }
    text.resize(static_cast<size_t>(length));
    return Utf8ToWide(text);
}

void NoteTextInputWindowActive(Window topLevel, bool active) {
    InputContext* context = Method().Find(topLevel);
    if (!context) return;
    context->active = active;
    ThreadInputMethod::Apply(*context);
}

}  // namespace zovi::platform::window_detail

namespace zovi::platform {

using namespace window_detail;

void SetTextInputFocus(HWND hwnd, bool on) {
    InputContext* context = ContextOf(hwnd);
    if (!context) return;
    context->wanted = on;
    ThreadInputMethod::Apply(*context);
}

void SetTextInputCaret(HWND hwnd, POINT client, int height) {
    InputContext* context = ContextOf(hwnd);
    if (!context || !(context->style & XIMPreeditPosition)) return;
    // The spot is the caret's baseline in the top-level window.
    POINT at = client;
    const HWND top = TopLevelOf(hwnd);
    if (top != hwnd) {
        RECT child{}, outer{};
        if (GetWindowRect(hwnd, &child) && GetWindowRect(top, &outer)) {
            at.x += child.left - outer.left;
            at.y += child.top - outer.top;
        }
    }
    XPoint spot{static_cast<short>(at.x), static_cast<short>(at.y + height)};
    XVaNestedList preedit = XVaCreateNestedList(0, XNSpotLocation, &spot, nullptr);
    XSetICValues(context->ic, XNPreeditAttributes, preedit, nullptr);
    XFree(preedit);
}

bool HasInputContext(HWND hwnd) { return ContextOf(hwnd) != nullptr; }

}  // namespace zovi::platform
