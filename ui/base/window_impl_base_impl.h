// DuiLib::WindowImplBaseImpl: the common base of the program's windows. It fixes where
// the layouts come from (the built-in skin, a zip archive held as resource 130, layouts
// at its root); each window names its class and layout and overrides what it needs.
#pragma once
#include "core/tolka/tolka_base.h"
#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/window/window_impl_base.h"

namespace DuiLib {

class WindowImplBaseImpl : public WindowImplBase {
public:
    // Texts bound to string ids reach the library's controls through their SetText.
    WindowImplBaseImpl() {
        SetTolkaControlTextSetter([](CControlUI* control, const wchar_t* text) { control->SetText(text); });
    }
    CDuiString GetSkinFolder() override { return L""; }
    UINT GetResourceType() const override { return UILIB_ZIPRESOURCE; }
    UINT GetResourceID() const override { return kSkinResourceId; }
    // No tags of its own; windows with custom controls override it.
    CControlUI* CreateControl(const wchar_t*) override { return nullptr; }
};

}  // namespace DuiLib
