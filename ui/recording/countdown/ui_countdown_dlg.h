// DuiLib::CUICountdownDlg: the 3-2-1 before a recording starts. A 128 x 128 layered
// window whose whole face is a digit image; it shows 3 at once, 2 after a second, 1 after
// two, hides itself at three and then runs its completion (on the UI thread, inside its
// own timer). It is hidden, not closed: its opener keeps it until the next countdown
// replaces it, and destroying it before the end means the completion never runs.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "core/tolka/tolka_base.h"
#include "ui/base/shadow_helper.h"
#include "ui/base/window_impl_base_impl.h"

namespace DuiLib {

class CUICountdownDlg : public WindowImplBaseImpl,
                        public CShadowHelper,
                        public CTolkaBase,
                        public std::enable_shared_from_this<CUICountdownDlg> {
public:
    static constexpr UINT_PTR kTimerId = 16;
    static constexpr UINT kTimerPeriodMs = 1000;
    static constexpr int32_t kStartCount = 3;

    // `completion` may be empty.
    explicit CUICountdownDlg(std::function<void()> completion);
    ~CUICountdownDlg() override;

    const wchar_t* GetWindowClassName() const override { return L"UICountdownDlg"; }
    CDuiString GetSkinFile() override { return L"Countdown.xml"; }
    void InitWindow() override;
    LRESULT OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    // The digit now shown (3, 2, 1), 0 once the countdown has ended.
    int32_t GetCount() const { return m_nCount; }

private:
    int32_t m_nCount = kStartCount;
    std::function<void()> m_fnCompletion;
};

}  // namespace DuiLib
