#include "ui/recording/wb_toolbar/ui_wb_tool_bar.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <string>

#include "core/global/global.h"
#include "online/analytics/analytics_controller.h"
#include "platform/duilib/controls/option.h"
#include "platform/screen/monitor_from.h"
#include "ui/base/color_dialog/choose_color.h"
#include "ui/base/window_helpers.h"
#include "ui/recording/wb_toolbar/toolbar_color_dlg.h"
#include "ui/recording/wb_toolbar/ui_line_width_select_dlg.h"

namespace DuiLib {

namespace {

// One row per toolbar control: its name, the paint mode kept as its tag (0 for a plain
// button) and its tooltip's string id.
struct ToolRow {
    const wchar_t* name;
    int32_t mode;
    uint32_t tooltip;
};
constexpr ToolRow kToolTable[] = {
    {L"point", 1, 161},       {L"path", 2, 162},      {L"line", 3, 163},     {L"arrow", 4, 164},
    {L"rect", 5, 165},        {L"ellipse", 6, 166},   {L"exit", 0, 160},     {L"colorSelect", 0, 167},
    {L"linewidth", 0, 168},   {L"revoke", 0, 169},    {L"clear", 0, 170},
};

constexpr COLORREF kCustomColorStart = 0x00FFFFFF;
// The colour chooser's custom colours, kept for the process.
std::array<COLORREF, 16>& CustomColors() {
    static std::array<COLORREF, 16> colors = [] {
        std::array<COLORREF, 16> all{};
        all.fill(kCustomColorStart);
        return all;
    }();
    return colors;
}

void PostToolbarEvent(const char* action, const std::string& label) { PostGAEvent("wb_toolbar", action, label); }

COptionUI* AsOption(CControlUI* control) {
    return control ? static_cast<COptionUI*>(control->GetInterface(L"Option")) : nullptr;
}

bool Is(const CControlUI* control, const wchar_t* name) { return control && control->GetName() == name; }

}  // namespace

CUIWBToolBar::CUIWBToolBar(HWND whiteBoard, std::weak_ptr<IWBToolBar> board)
    : m_pWhiteBoard(std::move(board)), m_hWhiteBoard(whiteBoard) {}

CUIWBToolBar::~CUIWBToolBar() {
    DetachAndDestroy();
    m_hAccel = nullptr;
    m_pLineWidthDlg.reset();
    m_pWhiteBoard.reset();
}

float CUIWBToolBar::LineWidthForIndex(int index) {
    switch (index) {
        case 0:
            return 2.0f;
        case 1:
            return 5.0f;
        case 2:
            return 10.0f;
        default:
            return 1.0f;
    }
}

uint32_t CUIWBToolBar::ArgbFromColorRef(DWORD colorRef) {
    const uint32_t red = colorRef & 0xFF, green = (colorRef >> 8) & 0xFF, blue = (colorRef >> 16) & 0xFF;
    return 0xFF000000u + red * 65536u + green * 256u + blue;
}

DWORD CUIWBToolBar::ColorRefFromArgb(uint32_t argb) {
    const DWORD red = (argb >> 16) & 0xFF, green = (argb >> 8) & 0xFF, blue = argb & 0xFF;
    return red | (green << 8) | (blue << 16);
}

POINT CUIWBToolBar::PlaceBeside(const RECT& whiteBoard, SIZE toolbar) {
    const int boardHeight = whiteBoard.bottom - whiteBoard.top;
    return POINT{whiteBoard.right - kRightGap - toolbar.cx, whiteBoard.top + (boardHeight - toolbar.cy) / 2};
}

POINT CUIWBToolBar::PlacePicker(POINT button, const RECT& toolbar, SIZE picker, const RECT& work) {
    POINT at{toolbar.left - picker.cx, button.y};
    if (at.x < work.left) at.x = toolbar.right;
    at.x = std::max(std::min(at.x, work.right - picker.cx), work.left);
    at.y = std::max(std::min(at.y, work.bottom - picker.cy), work.top);
    return at;
}

CControlUI* CUIWBToolBar::CreateControl(const wchar_t* className) {
    if (className && std::wcscmp(className, L"ColorButton") == 0) return new CColorSelButton;
    return nullptr;
}

void CUIWBToolBar::InitWindow() {
    CControlUI* colorButton = m_pm.FindControl(L"colorSelect");
    m_pColorButton = colorButton ? static_cast<CColorSelButton*>(colorButton->GetInterface(L"ColorSelButton")) : nullptr;

    ApplyToolTable();
    OnLineWidthSelected(static_cast<int>(GetGlobal().whiteboardLineSize));
    CreateShadow(m_hWnd);
    PlaceNextToWhiteBoard();
    m_pm.AddTranslateAccelerator(this);
    m_hAccel = LoadWBAccelerators();
    RegisterTolkaObject(this);
}

void CUIWBToolBar::ApplyStrings() {
    CTolkaBase::ApplyStrings();
    ApplyToolTable();
}

void CUIWBToolBar::ApplyToolTable() {
    for (const ToolRow& row : kToolTable) {
        CControlUI* control = m_pm.FindControl(row.name);
        if (!control) continue;
        SetToolTipById(control, row.tooltip);
        control->SetTag(static_cast<UINT_PTR>(row.mode));
    }
}

void CUIWBToolBar::PlaceNextToWhiteBoard() {
    RECT board{}, self{};
    if (!::GetWindowRect(m_hWhiteBoard, &board) || !::GetWindowRect(m_hWnd, &self)) return;
    const SIZE size{self.right - self.left, self.bottom - self.top};
    const POINT at = PlaceBeside(board, size);
    ::MoveWindow(m_hWnd, at.x, at.y, size.cx, size.cy, TRUE);
}

void CUIWBToolBar::Notify(TNotifyUI& msg) {
    CControlUI* sender = msg.pSender;
    if (msg.sType == L"selectchanged") {
        OnModeChange(sender);
        return;
    }
    if (msg.sType == L"click" && sender) {
        if (Is(sender, L"exit")) {
            OnExit();
        } else if (Is(sender, L"colorSelect")) {
            OnColorSelect();
        } else if (Is(sender, L"linewidth")) {
            OnLineWidth();
        } else if (Is(sender, L"clear")) {
            OnClear();
        } else if (Is(sender, L"revoke")) {
            OnRevoke();
        }
        return;
    }
    WindowImplBaseImpl::Notify(msg);
}

void CUIWBToolBar::OnModeChange(CControlUI* sender) {
    PostToolbarEvent("click", "mode_change");
    if (!sender) return;
    if (const auto board = m_pWhiteBoard.lock()) board->SetPaintMode(static_cast<int32_t>(sender->GetTag()));
}

void CUIWBToolBar::SelectPaintMode(int32_t mode) {
    PostToolbarEvent("paint_mode", std::to_string(mode));
    for (const ToolRow& row : kToolTable) {
        if (row.mode != mode) continue;
        if (COptionUI* option = AsOption(m_pm.FindControl(row.name))) {
            option->Selected(true, true);
            return;
        }
    }
}

void CUIWBToolBar::OnExit() {
    PostToolbarEvent("click", "exit");
    Close(kCloseCode);
}

void CUIWBToolBar::OnClear() {
    PostToolbarEvent("click", "clear");
    if (const auto board = m_pWhiteBoard.lock()) board->Clear();
}

void CUIWBToolBar::OnRevoke() {
    PostToolbarEvent("click", "revoke");
    if (const auto board = m_pWhiteBoard.lock()) board->Revoke();
}

void CUIWBToolBar::OnColorSelect() {
    PostToolbarEvent("click", "color_select");
    if (!m_hWnd || !::IsWindow(m_hWnd)) return;
    // The chooser runs a modal loop: the whiteboard may close meanwhile.
    const std::shared_ptr<CUIWBToolBar> self = weak_from_this().lock();
    CHOOSECOLORW choose;
    choose.hwndOwner = m_hWnd;
    choose.rgbResult = ColorRefFromArgb(m_pColorButton ? m_pColorButton->GetColor() : GetGlobal().whiteboardColor);
    choose.lpCustColors = CustomColors().data();
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK;
    choose.lpfnHook = &CToolbarColorDlg::HookProc;
    if (!ChooseColorW(&choose)) return;
    const uint32_t argb = ArgbFromColorRef(choose.rgbResult);
    if (m_hWnd && ::IsWindow(m_hWnd) && m_pColorButton) {
        m_pColorButton->SetColor(argb);
        m_pColorButton->Invalidate();
    }
    if (const auto board = m_pWhiteBoard.lock()) board->SetColor(argb);
    GetGlobal().whiteboardColor = argb;
    GetGlobal().Save();
}

void CUIWBToolBar::OnLineWidth() {
    PostToolbarEvent("click", "linewith");
    if (!m_hWnd || !::IsWindow(m_hWnd)) return;
    auto picker = std::make_shared<CUILineWidthSelectDlg>(
        std::static_pointer_cast<ILineWidthCallback>(weak_from_this().lock()));
    m_pLineWidthDlg = picker;  // the previous picker goes
    if (!picker->Create(m_hWnd, L"", WS_POPUP, WS_EX_TOOLWINDOW)) return;

    RECT self{}, toolbar{};
    ::GetWindowRect(picker->GetHWND(), &self);
    ::GetWindowRect(m_hWnd, &toolbar);
    const SIZE size{self.right - self.left, self.bottom - self.top};
    POINT button{};
    if (CControlUI* control = m_pm.FindControl(L"linewidth")) button = POINT{control->GetPos().left, control->GetPos().top};
    ::ClientToScreen(m_hWnd, &button);

    POINT cursor{};
    MONITORINFO monitor{sizeof(MONITORINFO), {}, {}, 0};
    const HMONITOR under = ::GetCursorPos(&cursor) ? ::MonitorFromPoint(cursor, MONITOR_DEFAULTTONULL) : nullptr;
    if (under && ::GetMonitorInfoW(under, &monitor)) {
        const POINT at = PlacePicker(button, toolbar, size, monitor.rcWork);
        ::MoveWindow(picker->GetHWND(), at.x, at.y, size.cx, size.cy, FALSE);
    } else {
        picker->CenterWindow();
    }
    picker->ShowWindow(true, true);
}

void CUIWBToolBar::OnLineWidthSelected(int index) {
    if (const auto board = m_pWhiteBoard.lock()) board->SetLineWidth(LineWidthForIndex(index));
    if (index < 0 || static_cast<DWORD>(index) == GetGlobal().whiteboardLineSize) return;
    GetGlobal().whiteboardLineSize = static_cast<DWORD>(index);
    GetGlobal().Save();
}

LRESULT CUIWBToolBar::TranslateAccelerator(MSG* pMsg) {
    return TranslateWBAccelerator(m_hWnd, m_hAccel, pMsg) ? 0 : 1;  // S_OK consumes the key
}

LRESULT CUIWBToolBar::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    bHandled = FALSE;
    if (uMsg == WM_COMMAND && IsWBCommand(LOWORD(wParam))) {
        ::PostMessageW(m_hWhiteBoard, WM_COMMAND, wParam, lParam);
        bHandled = TRUE;
    }
    return 0;
}

void CUIWBToolBar::OnFinalMessage(HWND hWnd) {
    // The whiteboard may drop its last reference to this toolbar as it closes.
    const std::shared_ptr<CUIWBToolBar> self = weak_from_this().lock();
    m_pm.RemoveTranslateAccelerator(this);
    if (const auto board = m_pWhiteBoard.lock()) board->Exit();
    WindowImplBaseImpl::OnFinalMessage(hWnd);
}

}  // namespace DuiLib
