#include "ui/base/color_dialog/ui_color_dialog.h"

#include <algorithm>
#include <cwchar>
#include <string>

#include "platform/duilib/controls/button.h"
#include "platform/duilib/controls/container.h"
#include "platform/duilib/controls/vertical_layout.h"
#include "tolka.h"

namespace DuiLib {

namespace {
using namespace color_dialog;

constexpr UINT kProgramIcon = 107;
constexpr std::uint32_t kOkStringId = 36;
constexpr std::uint32_t kCancelStringId = 37;
constexpr COLORREF kEmptyCustomSlot = MakeColorRef(255, 255, 255);
constexpr int kSwatchWidth = 24;
constexpr int kSwatchHeight = 20;
constexpr DWORD kSwatchBorder = 0xFFA7A6AA;
constexpr DWORD kMarkBorder = 0xFF2B8CF4;

// The dialog's own texts: English, and Chinese when the string table speaks Chinese.
struct Text {
    const wchar_t* name;
    const wchar_t* english;
    const wchar_t* chinese;
};
constexpr Text kTexts[] = {
    {L"title", L"Colour", L"颜色"},
    {L"lblBasic", L"Basic colours", L"基本颜色"},
    {L"lblCustom", L"Custom colours", L"自定义颜色"},
    {L"btnAddCustom", L"Add to custom colours", L"添加到自定义颜色"},
};

bool TableIsChinese() { return std::wcscmp(TolkaGetString(kCancelStringId), L"取消") == 0; }

CButtonUI* MakeSwatch(const std::wstring& name, COLORREF color) {
    auto* swatch = new CButtonUI;
    swatch->SetName(name.c_str());
    swatch->SetFixedWidth(kSwatchWidth);
    swatch->SetFixedHeight(kSwatchHeight);
    swatch->SetPadding(RECT{2, 2, 2, 2});
    swatch->SetBkColor(ToArgb(color));
    swatch->SetBorderSize(1);
    swatch->SetBorderColor(kSwatchBorder);
    return swatch;
}
}  // namespace

CUIColorDialog::CUIColorDialog(COLORREF initial, const COLORREF* custom) : m_color(initial & 0xFFFFFF) {
    if (custom) {
        std::copy(custom, custom + kCustomColorCount, m_custom.begin());
    } else {
        m_custom.fill(kEmptyCustomSlot);
    }
}

CUIColorDialog::~CUIColorDialog() = default;

void CUIColorDialog::InitWindow() {
    SetIcon(kProgramIcon);
    CreateShadow(m_hWnd);
    CenterWindow();
    m_pPreview = m_pm.FindControl(L"preview");
    m_fields = {m_pm.FindControl(L"editR"), m_pm.FindControl(L"editG"), m_pm.FindControl(L"editB")};
    m_pBtnAddCustom = m_pm.FindControl(L"btnAddCustom");
    m_pBtnOK = m_pm.FindControl(L"btnOK");
    m_pBtnCancel = m_pm.FindControl(L"btnCancel");
    m_pBtnClose = m_pm.FindControl(L"btnClose");
    BuildSwatches(L"palette", L"swatch", BasicPalette().data(), kPaletteRows, m_paletteSwatches);
    BuildSwatches(L"custom", L"custom", m_custom.data(), kCustomColorCount / kPaletteColumns, m_customSwatches);
    SetTexts();
    const auto& palette = BasicPalette();
    const auto found = std::find(palette.begin(), palette.end(), m_color);
    SetColor(m_color, found == palette.end() ? nullptr : m_paletteSwatches[found - palette.begin()], true);
}

void CUIColorDialog::BuildSwatches(const wchar_t* gridName, const wchar_t* prefix, const COLORREF* colors,
                                   int rows, std::vector<CControlUI*>& swatches) {
    CControlUI* found = m_pm.FindControl(gridName);
    auto* grid = found ? static_cast<CContainerUI*>(found->GetInterface(L"Container")) : nullptr;
    if (!grid) return;
    swatches.assign(static_cast<std::size_t>(rows * kPaletteColumns), nullptr);
    for (int column = 0; column < kPaletteColumns; ++column) {
        auto* layout = new CVerticalLayoutUI;
        layout->SetFixedWidth(kSwatchWidth + 4);
        grid->Add(layout);
        for (int row = 0; row < rows; ++row) {
            const int index = row * kPaletteColumns + column;
            CButtonUI* swatch = MakeSwatch(prefix + std::to_wstring(index), colors[index]);
            layout->Add(swatch);
            swatches[static_cast<std::size_t>(index)] = swatch;
        }
    }
}

void CUIColorDialog::SetTexts() {
    const bool chinese = TableIsChinese();
    for (const Text& text : kTexts) {
        if (CControlUI* control = m_pm.FindControl(text.name)) control->SetText(chinese ? text.chinese : text.english);
    }
    if (m_pBtnOK) m_pBtnOK->SetText(TolkaGetString(kOkStringId));
    if (m_pBtnCancel) m_pBtnCancel->SetText(TolkaGetString(kCancelStringId));
    ::SetWindowTextW(m_hWnd, chinese ? kTexts[0].chinese : kTexts[0].english);
}

void CUIColorDialog::SetColor(COLORREF color, CControlUI* swatch, bool updateFields) {
    m_color = color & 0xFFFFFF;
    if (m_pPreview) m_pPreview->SetBkColor(ToArgb(m_color));
    if (updateFields) {
        const int values[] = {RedOf(m_color), GreenOf(m_color), BlueOf(m_color)};
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            if (m_fields[i]) m_fields[i]->SetText(std::to_wstring(values[i]).c_str());
        }
    }
    MarkSwatch(swatch);
}

void CUIColorDialog::MarkSwatch(CControlUI* swatch) {
    if (m_pMarked == swatch) return;
    if (m_pMarked) {
        m_pMarked->SetBorderSize(1);
        m_pMarked->SetBorderColor(kSwatchBorder);
    }
    m_pMarked = swatch;
    if (m_pMarked) {
        m_pMarked->SetBorderSize(2);
        m_pMarked->SetBorderColor(kMarkBorder);
    }
}

void CUIColorDialog::OnFieldChanged(CControlUI* field) {
    const CDuiString text = field->GetText();
    int value = 0;
    for (const wchar_t* p = text.GetData(); *p; ++p) {
        if (*p < L'0' || *p > L'9') continue;  // the field takes digits only; be safe anyway
        value = std::min(value * 10 + (*p - L'0'), 1000);
    }
    if (value > 255) {
        value = 255;
        field->SetText(L"255");
    }
    int rgb[] = {RedOf(m_color), GreenOf(m_color), BlueOf(m_color)};
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i] == field) rgb[i] = value;
    }
    SetColor(MakeColorRef(rgb[0], rgb[1], rgb[2]), nullptr, false);
}

void CUIColorDialog::AddCustomColor() {
    const auto slot = static_cast<std::size_t>(m_nextCustom);
    m_custom[slot] = m_color;
    if (slot < m_customSwatches.size() && m_customSwatches[slot]) {
        m_customSwatches[slot]->SetBkColor(ToArgb(m_color));
        MarkSwatch(m_customSwatches[slot]);
    }
    m_nextCustom = (m_nextCustom + 1) % kCustomColorCount;
}

int CUIColorDialog::IndexOf(const std::vector<CControlUI*>& swatches, CControlUI* control) {
    const auto found = std::find(swatches.begin(), swatches.end(), control);
    return found == swatches.end() ? -1 : static_cast<int>(found - swatches.begin());
}

void CUIColorDialog::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_TEXTCHANGED) {
        if (std::find(m_fields.begin(), m_fields.end(), msg.pSender) != m_fields.end()) OnFieldChanged(msg.pSender);
        return;
    }
    if (msg.sType != DUI_MSGTYPE_CLICK) return;
    if (msg.pSender == m_pBtnOK) {
        Close(IDOK);
    } else if (msg.pSender == m_pBtnCancel || msg.pSender == m_pBtnClose) {
        Close(IDCANCEL);
    } else if (msg.pSender == m_pBtnAddCustom) {
        AddCustomColor();
    } else if (const int basic = IndexOf(m_paletteSwatches, msg.pSender); basic >= 0) {
        SetColor(BasicPalette()[static_cast<std::size_t>(basic)], msg.pSender, true);
    } else if (const int custom = IndexOf(m_customSwatches, msg.pSender); custom >= 0) {
        SetColor(m_custom[static_cast<std::size_t>(custom)], msg.pSender, true);
    }
}

}  // namespace DuiLib
