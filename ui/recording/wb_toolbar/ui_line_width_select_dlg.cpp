#include "ui/recording/wb_toolbar/ui_line_width_select_dlg.h"

#include <cwchar>
#include <iterator>

#include "core/global/global.h"
#include "ui/recording/wb_toolbar/line_width_bar.h"

namespace DuiLib {

namespace {

// Three bars of the group "line", each 80×20 with 5 pixels above it (the last also 5
// below), in a 100×80 window.
constexpr const wchar_t* kLayout =
    L"<Window size=\"100,80\">"
    L"<VerticalLayout bkcolor=\"FF212327\" inset=\"10,0,10,0\">"
    L"<LineWidthBar name=\"small\" group=\"line\" width=\"80\" height=\"20\" padding=\"0,5,0,0\""
    L" bartop=\"9\" barbottom=\"11\" barcolor=\"#FFFFFFFF\" selectedbarcolor=\"#ff1296db\" selected=\"true\"/>"
    L"<LineWidthBar name=\"middle\" group=\"line\" width=\"80\" height=\"20\" padding=\"0,5,0,0\""
    L" bartop=\"7\" barbottom=\"13\" barcolor=\"#FFFFFFFF\" selectedbarcolor=\"#ff1296db\"/>"
    L"<LineWidthBar name=\"max\" group=\"line\" width=\"80\" height=\"20\" padding=\"0,5,0,5\""
    L" bartop=\"4\" barbottom=\"16\" barcolor=\"#FFFFFFFF\" selectedbarcolor=\"#ff1296db\"/>"
    L"</VerticalLayout>"
    L"</Window>";

}  // namespace

CUILineWidthSelectDlg::CUILineWidthSelectDlg(std::weak_ptr<ILineWidthCallback> callback)
    : m_pCallback(std::move(callback)) {}

CUILineWidthSelectDlg::~CUILineWidthSelectDlg() { DetachAndDestroy(); }

CDuiString CUILineWidthSelectDlg::GetSkinFile() { return kLayout; }

CControlUI* CUILineWidthSelectDlg::CreateControl(const wchar_t* className) {
    if (className && std::wcscmp(className, L"LineWidthBar") == 0) return new CLineWidthBarUI;
    return nullptr;
}

void CUILineWidthSelectDlg::InitWindow() {
    const DWORD saved = GetGlobal().whiteboardLineSize;
    if (saved >= std::size(kNames)) return;  // no change for other values
    if (CControlUI* control = m_pm.FindControl(kNames[saved])) {
        if (auto* option = static_cast<COptionUI*>(control->GetInterface(L"Option"))) option->Selected(true, false);
    }
}

void CUILineWidthSelectDlg::Notify(TNotifyUI& msg) {
    if (msg.sType == L"click" && msg.pSender) {
        for (int index = 0; index < static_cast<int>(std::size(kNames)); ++index) {
            if (msg.pSender->GetName() != kNames[index]) continue;
            if (const auto callback = m_pCallback.lock()) callback->OnLineWidthSelected(index);
            Close(kCloseCode);
            return;
        }
    }
    WindowImplBaseImpl::Notify(msg);
}

}  // namespace DuiLib
