// DuiLib::CUILineWidthSelectDlg ("UILineWidthSelect", layout in code): the small picker
// of the whiteboard's line width, three bars of growing thickness. A click on one tells
// the callback its index (0, 1 or 2) and closes the picker. UI thread only.
#pragma once
#include <memory>

#include "core/tolka/tolka_base.h"
#include "ui/base/shadow_helper.h"
#include "ui/base/window_impl_base_impl.h"
#include "ui/recording/wb_toolbar/wb_tool_bar_interface.h"

namespace DuiLib {

class CUILineWidthSelectDlg : public WindowImplBaseImpl, public CShadowHelper, public CTolkaBase {
public:
    static constexpr int kWidth = 100, kHeight = 80;
    static constexpr UINT kCloseCode = 1;

    explicit CUILineWidthSelectDlg(std::weak_ptr<ILineWidthCallback> callback);
    ~CUILineWidthSelectDlg() override;

    const wchar_t* GetWindowClassName() const override { return L"UILineWidthSelect"; }
    CDuiString GetSkinFile() override;
    CControlUI* CreateControl(const wchar_t* className) override;
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;

    // The option names by index.
    static constexpr const wchar_t* kNames[3] = {L"small", L"middle", L"max"};

private:
    std::weak_ptr<ILineWidthCallback> m_pCallback;
};

}  // namespace DuiLib
