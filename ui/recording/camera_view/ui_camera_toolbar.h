// DuiLib::CUICameraToolBar: the small bar inside the camera view (a child window, shown
// while the pointer is over the picture) that switches the view between normal, double
// and full size and closes the camera. UI thread only.
#pragma once
#include <memory>

#include "core/tolka/tolka_base.h"
#include "ui/base/window_impl_base_impl.h"

namespace DuiLib {

class CButtonUI;
class COptionUI;

class CUICameraToolBar : public WindowImplBaseImpl, public CTolkaBase {
public:
    class CUICameraToolBarCallBack {
    public:
        virtual ~CUICameraToolBarCallBack() = default;
        // 0 normal, 1 double, 2 full screen.
        virtual void OnSizeMode(int mode) = 0;
        // The close button; set `handled` when the close was taken care of.
        virtual void OnToolbarClose(bool& handled) = 0;
    };

    explicit CUICameraToolBar(const std::shared_ptr<CUICameraToolBarCallBack>& callback);

    const wchar_t* GetWindowClassName() const override { return L"UICameraToolBar"; }
    CDuiString GetSkinFile() override { return L"CameraToolBar.xml"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    // Selects the option of `mode` (0 normal, 1 double, 2 full; none for other values)
    // without notification.
    void SelectSizeMode(int mode);

private:
    CButtonUI* m_pClose = nullptr;
    COptionUI* m_pNormal = nullptr;
    COptionUI* m_pDouble = nullptr;
    COptionUI* m_pFull = nullptr;
    std::weak_ptr<CUICameraToolBarCallBack> m_pCallback;
};

}  // namespace DuiLib
