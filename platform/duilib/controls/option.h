// COptionUI: a button with a selected state. Options sharing a group (per paint
// manager) select one at a time; an option without a group (the "CheckBox" tag) toggles.
//   - A user click or Activate(): "click", then select (grouped) or toggle, and
//     "selectchanged" from this option when the state changed.
//   - Selected(x, true) that changes the state: "selectchanged" at once, also when
//     disabled. Selected(x, false), a call to the state it already has, the deselected
//     group peers, SetGroup and selected="true" in a layout raise nothing.
// Selected options draw selectedimage (selectedhotimage while hot), also when disabled.
#pragma once
#include "platform/duilib/controls/button.h"

namespace DuiLib {

class COptionUI : public CButtonUI {
public:
    COptionUI() = default;
    ~COptionUI() override;

    const wchar_t* GetClass() const override { return L"OptionUI"; }
    void* GetInterface(const wchar_t* name) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;

    bool Activate() override;
    bool IsSelected() const { return m_bSelected; }
    virtual void Selected(bool selected, bool trigger = true);
    const CDuiString& GetGroup() const { return m_sGroupName; }
    void SetGroup(const wchar_t* group);

    void SetSelectedImage(const wchar_t* image);
    void SetSelectedHotImage(const wchar_t* image);
    void SetSelectedBkColor(DWORD color);
    void SetSelectedTextColor(DWORD color);

    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintBkColor(HDC hDC) override;
    void PaintStatusImage(HDC hDC) override;

protected:
    DWORD CurrentTextColor() const override;
    // Joins the group of the current manager; a selected newcomer deselects its peers
    // silently.
    void JoinGroup();

    bool m_bSelected = false;
    CDuiString m_sGroupName;
    CDuiString m_sSelectedImage, m_sSelectedHotImage;
    DWORD m_dwSelectedBkColor = 0, m_dwSelectedTextColor = 0;
};

}  // namespace DuiLib
