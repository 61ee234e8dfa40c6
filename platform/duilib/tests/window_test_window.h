// A library window for the window-base tests: its layout is inline XML, and what it sees
// (custom messages, timers, clicks, the last WM_SETCURSOR code, notifications) is
// recorded or handed to hooks the test sets.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/window/window_impl_base.h"

namespace DuiLib::test {

class CTestWindow : public WindowImplBase {
public:
    explicit CTestWindow(std::wstring xml, const wchar_t* className = L"DuiTestWindow")
        : xml_(std::move(xml)), className_(className) {}

    const wchar_t* GetWindowClassName() const override { return className_; }
    CDuiString GetSkinFile() override { return xml_.c_str(); }

    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override {
        if (uMsg == WM_SETCURSOR) setCursorCodes.push_back(static_cast<short>(LOWORD(lParam)));
        if (uMsg == WM_SIZE) sizes.push_back(SIZE{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        bHandled = FALSE;
        if (onCustom) return onCustom(uMsg, wParam, lParam, bHandled);
        return 0;
    }
    LRESULT OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) override {
        timerIds.push_back(wParam);
        if (onTimer) onTimer(wParam);
        bHandled = TRUE;
        return 0;
    }
    LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override {
        if (onSize) onSize(SIZE{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return WindowImplBase::OnSize(uMsg, wParam, lParam, bHandled);
    }
    void OnClick(TNotifyUI& msg) override { clicks.push_back(msg.pSender ? msg.pSender->GetName().str() : L""); }
    void OnFinalMessage(HWND hWnd) override {
        WindowImplBase::OnFinalMessage(hWnd);
        ++finalMessages;
        if (onFinal) onFinal();
    }
    CControlUI* CreateControl(const wchar_t* pstrClass) override {
        return createControl ? createControl(pstrClass) : nullptr;
    }

    CControlUI* Find(const wchar_t* name) { return m_pm.FindControl(name); }

    std::function<LRESULT(UINT, WPARAM, LPARAM, BOOL&)> onCustom;
    std::function<void(WPARAM)> onTimer;
    std::function<void(SIZE)> onSize;
    std::function<void()> onFinal;
    std::function<CControlUI*(const wchar_t*)> createControl;
    std::vector<LRESULT> setCursorCodes;
    std::vector<SIZE> sizes;
    std::vector<WPARAM> timerIds;
    std::vector<std::wstring> clicks;
    int finalMessages = 0;

private:
    std::wstring xml_;
    const wchar_t* className_;
};

}  // namespace DuiLib::test
