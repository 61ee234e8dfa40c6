#include "tray/tray_icon.h"

#include <algorithm>
#include <cwchar>

#include "platform/base/clock.h"
#include "platform/window/popup_menu.h"
#include "tolka.h"
#include "tray/tray_icon_image.h"
#include "tray/tray_menu.h"

namespace {

constexpr DWORD kBlinkWindowMs = 1500;
constexpr DWORD kAddRetryMs = 250;
constexpr DWORD kAddLimitMs = 15000;

}  // namespace

void CBlinkState::Request() { flashStart_ = GetTickCount(); }

bool CBlinkState::Tick() {
    const DWORD elapsed = GetTickCount() - flashStart_;  // unsigned: survives the wrap
    hidden_ = elapsed <= kBlinkWindowMs && !hidden_;
    return !hidden_;
}

CTrayIcon::CTrayIcon() {
    // The program icon, decoded once; the notification area paints it at its own size.
    icon_ = CreateIconFromPng(kTrayIconPng, kTrayIconPngSize);
}

CTrayIcon::~CTrayIcon() {
    DeleteIcon();
    if (icon_) DestroyIcon(icon_);
}

bool CTrayIcon::AddIcon(HWND owner, UINT callbackMessage) {
    const DWORD start = GetTickCount();
    for (;;) {
        const wchar_t* tip = TolkaGetString(0);
        DeleteIcon();
        record_ = NOTIFYICONDATAW{};
        record_.cbSize = sizeof(record_);
        record_.hWnd = owner;
        record_.uID = kTrayIconId;
        record_.uFlags = NIF_MESSAGE | NIF_ICON;
        record_.uCallbackMessage = callbackMessage;
        record_.hIcon = icon_;
        if (tip) {
            const size_t length = std::min<size_t>(std::wcslen(tip), 127);
            std::wmemcpy(record_.szTip, tip, length);
            record_.szTip[length] = L'\0';
            record_.uFlags |= NIF_TIP;
        }
        shown_ = Shell_NotifyIconW(NIM_ADD, &record_) != FALSE;
        if (shown_) return true;
        if (GetTickCount() - start >= kAddLimitMs) return false;
        Sleep(kAddRetryMs);
    }
}

bool CTrayIcon::SetIcon(HICON icon) {
    if (!shown_) return false;
    record_.uFlags = NIF_ICON;
    record_.hIcon = icon;
    return Shell_NotifyIconW(NIM_MODIFY, &record_) != FALSE;
}

void CTrayIcon::DeleteIcon() {
    if (!shown_) return;
    record_.uFlags = 0;
    Shell_NotifyIconW(NIM_DELETE, &record_);
    shown_ = false;
}

void CTrayIcon::OnBlinkTick() {
    // A failed change is left to the next tick.
    SetIcon(blink_.Tick() ? icon_ : nullptr);
}

UINT CTrayIcon::TrackTrayMenu(HWND owner, POINT position, const std::wstring& lang) {
    HMENU menu = LoadTrayMenu(TrayMenuFor(lang));
    if (!menu) return 0;
    // SetForegroundWindow(owner) has nothing to do here: the tray window is never mapped,
    // and the menu's grabs give it the keyboard.
    const POINT at = ClampMenuPoint(position);
    const UINT id = static_cast<UINT>(
        TrackPopupMenu(GetSubMenu(menu, 0), TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
    DestroyMenu(menu);
    return id;
}
