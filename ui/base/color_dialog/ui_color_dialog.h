// DuiLib::CUIColorDialog: the colour chooser window behind ChooseColorW — the basic
// palette, the caller's 16 custom colours ("Add to custom colours" fills the next slot),
// R, G and B number fields, a preview of the current colour, OK and Cancel. ShowModal
// returns IDOK or IDCANCEL; the chosen colour and the custom colours are read afterwards.
// UI thread only.
#pragma once
#include <array>
#include <vector>

#include "ui/base/color_dialog/color_palette.h"
#include "ui/base/shadow_helper.h"
#include "ui/base/window_impl_base_impl.h"

namespace DuiLib {

class CUIColorDialog : public WindowImplBaseImpl, public CShadowHelper {
public:
    // `custom`: the caller's 16 colours, or null for 16 white slots.
    CUIColorDialog(COLORREF initial, const COLORREF* custom);
    ~CUIColorDialog() override;

    const wchar_t* GetWindowClassName() const override { return L"UIColorDialog"; }
    CDuiString GetSkinFile() override { return L"ColorDialog.xml"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;

    COLORREF GetColor() const { return m_color; }
    const std::array<COLORREF, color_dialog::kCustomColorCount>& GetCustomColors() const { return m_custom; }

private:
    // Columns of swatch buttons named `prefix`0, 1, … in reading order, into `grid`.
    void BuildSwatches(const wchar_t* gridName, const wchar_t* prefix, const COLORREF* colors, int rows,
                       std::vector<CControlUI*>& swatches);
    void SetTexts();
    // Makes `color` current: preview, fields (unless the user is typing in them) and the
    // marked swatch.
    void SetColor(COLORREF color, CControlUI* swatch, bool updateFields);
    // A field the user changed: its value (clamped to 0…255) into the current colour.
    void OnFieldChanged(CControlUI* field);
    void MarkSwatch(CControlUI* swatch);
    void AddCustomColor();
    static int IndexOf(const std::vector<CControlUI*>& swatches, CControlUI* control);

    COLORREF m_color;
    std::array<COLORREF, color_dialog::kCustomColorCount> m_custom{};
    int m_nextCustom = 0;
    std::vector<CControlUI*> m_paletteSwatches;
    std::vector<CControlUI*> m_customSwatches;
    CControlUI* m_pMarked = nullptr;
    CControlUI* m_pPreview = nullptr;
    std::array<CControlUI*, 3> m_fields{};  // R, G, B
    CControlUI* m_pBtnAddCustom = nullptr;
    CControlUI* m_pBtnOK = nullptr;
    CControlUI* m_pBtnCancel = nullptr;
    CControlUI* m_pBtnClose = nullptr;
};

}  // namespace DuiLib
