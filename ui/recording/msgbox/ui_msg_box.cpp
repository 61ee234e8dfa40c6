#include "ui/recording/msgbox/ui_msg_box.h"

#include "tolka.h"

namespace DuiLib {

namespace {
constexpr DWORD kMsgBoxStyle = UI_WNDSTYLE_DIALOG;
constexpr DWORD kMsgBoxExStyle = WS_EX_TOOLWINDOW;
constexpr UINT kProgramIcon = 107;
constexpr std::uint32_t kTitleStringId = 0;
constexpr std::uint32_t kOkStringId = 36;
constexpr std::uint32_t kCancelStringId = 37;

void ShowButton(CControlUI* button, bool show, std::uint32_t textId) {
    if (!button) return;
    if (show) button->SetText(TolkaGetString(textId));
    button->SetVisible(show);
}
}  // namespace

CUIMsgBox::CUIMsgBox(const CDuiString& title, const CDuiString& text, UINT buttons)
    : m_sTitle(title), m_sText(text), m_uButtons(buttons) {}

CUIMsgBox::~CUIMsgBox() = default;

UINT CUIMsgBox::Run(const CDuiString& title, const CDuiString& text, UINT buttons, HWND owner) {
    auto box = std::make_shared<CUIMsgBox>(title, text, buttons);
    if (!box->Create(owner, L"", kMsgBoxStyle, kMsgBoxExStyle)) return IDCANCEL;
    return box->ShowModal();
}

UINT CUIMsgBox::ShowMessageBox(const wchar_t* text, const wchar_t* title, HWND owner) {
    return Run(title, text, kButtonOK, owner);
}

UINT CUIMsgBox::ShowMessageBoxById(std::uint32_t textId, HWND owner, UINT buttons) {
    return Run(TolkaGetString(kTitleStringId), TolkaGetString(textId), buttons, owner);
}

void CUIMsgBox::InitWindow() {
    SetIcon(kProgramIcon);
    CreateShadow(m_hWnd);
    CenterWindow();
    m_pBtnClose = m_pm.FindControl(L"btnClose");
    m_pBtnCancel = m_pm.FindControl(L"btnCancel");
    m_pBtnOK = m_pm.FindControl(L"btnOK");
    m_pTitle = m_pm.FindControl(L"title");
    m_pText = m_pm.FindControl(L"text");
    if (m_pTitle) m_pTitle->SetText(m_sTitle);
    // A read-only text view: it wraps the text, breaks it at "\r\n" and scrolls a long one.
    if (m_pText) m_pText->SetText(m_sText);
    ShowButton(m_pBtnOK, (m_uButtons & kButtonOK) != 0, kOkStringId);
    ShowButton(m_pBtnCancel, (m_uButtons & kButtonCancel) != 0, kCancelStringId);
}

void CUIMsgBox::Notify(TNotifyUI& msg) {
    if (msg.sType != DUI_MSGTYPE_CLICK) return;
    if (msg.pSender == m_pBtnOK) {
        Close(IDOK);
    } else if (msg.pSender == m_pBtnClose || msg.pSender == m_pBtnCancel) {
        Close(IDCANCEL);
    }
}

}  // namespace DuiLib
