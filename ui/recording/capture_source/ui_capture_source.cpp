#include "ui/recording/capture_source/ui_capture_source.h"

#include <algorithm>
#include <cstdint>

#include "platform/base/wformat.h"
#include "platform/duilib/controls/horizontal_layout.h"
#include "platform/duilib/controls/option.h"
#include "tolka.h"
#include "ui/base/window_helpers.h"

namespace DuiLib {

namespace {
constexpr UINT kProgramIcon = 107;
constexpr std::uint32_t kCloseTipId = 8;
constexpr std::uint32_t kWindowTitleId = 11;
constexpr std::uint32_t kMonitorTitleId = 12;
constexpr std::uint32_t kConfirmId = 14;
constexpr std::uint32_t kWindowWarningId = 19;

// A tile: a bordered option with the thumbnail above its title; the selected one turns
// to the accent colour.
constexpr const wchar_t* kTileAttributes[][2] = {
    {L"focusbordercolor", L"#FF0000FF"},
    {L"width", L"200"},
    {L"group", L"source"},
    {L"bordersize", L"1"},
    {L"bordercolor", L"#FFA7A6AA"},
    {L"font", L"2"},
};
constexpr const wchar_t* kTileTextAttributes[][2] = {
    {L"align", L"center"},
    {L"valign", L"bottom"},
    {L"textpadding", L"10,0,10,5"},
    {L"textcolor", L"#FF000000"},
    {L"endellipsis", L"true"},
    {L"borderround", L"2,2,2,2"},
    {L"selectedbkcolor", L"#FF2B8CF4"},
    {L"selectedtextcolor", L"#FFFFFFFF"},
};

CControlUI* MakeSpacer(const wchar_t* height = nullptr) {
    auto* spacer = new CControlUI;
    if (height) spacer->SetAttribute(L"height", height);
    return spacer;
}
}  // namespace

CUICaptureSource::CUICaptureSource(int mode) : m_nMode(mode) {}

CUICaptureSource::~CUICaptureSource() = default;

int CUICaptureSource::ColumnsForWidth(int clientWidth) { return std::max(1, clientWidth / kTileCellWidth); }

std::wstring CUICaptureSource::ThumbnailImageName(const zovi::platform::HBITMAP& thumbnail) {
    // The whole handle value: two live thumbnails never share a name.
    const auto handle = static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(thumbnail.get()));
    return zovi::platform::FormatWide(L"#%08llx.bmp", handle);
}

void CUICaptureSource::InitWindow() {
    SetIcon(kProgramIcon);
    m_pBtnOK = m_pm.FindControl(L"btnOK");
    m_pBtnClose = m_pm.FindControl(L"btnClose");
    m_pTitle = m_pm.FindControl(L"title");
    m_pWarnText = m_pm.FindControl(L"warnText");
    if (CControlUI* list = m_pm.FindControl(L"list"))
        m_pList = static_cast<CContainerUI*>(list->GetInterface(L"Container"));
    FillList();
    if (m_pBtnOK) m_pBtnOK->SetEnabled(false);
    if (m_pWarnText) {
        m_pWarnText->SetVisible(m_nMode == kListWindows);
        BindControlText(m_pWarnText, kWindowWarningId);
    }
    CreateShadow(m_hWnd);
    CenterWindow();
    ApplyStrings();
    CTolkaHelper::GetInstance()->Add(this);
}

void CUICaptureSource::ApplyStrings() {
    const wchar_t* title = TolkaGetString(m_nMode == kListWindows ? kWindowTitleId : kMonitorTitleId);
    if (::IsWindow(m_hWnd)) ::SetWindowTextW(m_hWnd, title);
    if (m_pTitle) m_pTitle->SetText(title);
    if (m_pBtnOK) BindControlText(m_pBtnOK, kConfirmId);
    SetToolTipById(m_pBtnClose, kCloseTipId);
    SetToolTipById(m_pBtnOK, kConfirmId);
    CTolkaBase::ApplyStrings();
}

void CUICaptureSource::FillList() {
    if (m_pList) {
        m_pList->RemoveAll();
        for (const auto& entry : m_entries)
            if (entry && entry->thumbnail) m_pm.RemoveImage(ThumbnailImageName(entry->thumbnail).c_str());
    }
    DropEntries();

    if (m_nMode == kListWindows) {
        zovi::engine::GetCaptureWindowList(m_entries);
    } else {
        zovi::engine::EnumCaptureMonitors(m_entries);
    }
    if (m_entries.empty() || !m_pList) return;

    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const std::size_t columns = static_cast<std::size_t>(ColumnsForWidth(client.right - client.left));
    const std::size_t rows = (m_entries.size() - 1) / columns + 1;
    std::size_t next = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        auto* line = new CHorizontalLayoutUI;
        line->SetAttribute(L"height", L"150");
        line->Add(MakeSpacer());
        for (std::size_t column = 0; column < columns && next < m_entries.size(); ++column, ++next) {
            line->Add(MakeTile(next));
            line->Add(MakeSpacer());  // the gaps share the row's spare width evenly
        }
        m_pList->Add(line);
        m_pList->Add(MakeSpacer(L"5"));
    }
}

CControlUI* CUICaptureSource::MakeTile(std::size_t index) {
    const zovi::engine::WindowInfo& entry = *m_entries[index];
    auto* tile = new COptionUI;
    for (const auto& [name, value] : kTileAttributes) tile->SetAttribute(name, value);
    tile->SetAttribute(L"text", entry.title.c_str());
    for (const auto& [name, value] : kTileTextAttributes) tile->SetAttribute(name, value);
    // The picture is copied: the tile keeps drawing it after the entries are dropped.
    if (entry.thumbnail) {
        const std::wstring image = ThumbnailImageName(entry.thumbnail);
        if (m_pm.AddImage(image.c_str(), entry.thumbnail, entry.thumbnailWidth, entry.thumbnailHeight, false, false)) {
            const std::wstring fore = zovi::platform::FormatWide(L"file='%s' dest='10,10,180,120' ", image.c_str());
            tile->SetAttribute(L"foreimage", fore.c_str());
        }
    }
    tile->SetTag(index);
    tile->SetToolTip(entry.title.c_str());
    return tile;
}

void CUICaptureSource::DropEntries() {
    m_entries.clear();
    m_bChosen = false;
}

void CUICaptureSource::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        if (msg.pSender == m_pBtnOK) {
            Close(kResultOK);
        } else if (msg.pSender == m_pBtnClose) {
            DropEntries();
            Close(kResultClosed);
        }
    } else if (msg.sType == DUI_MSGTYPE_SELECTCHANGED && msg.pSender) {
        const std::size_t index = msg.pSender->GetTag();
        if (index < m_entries.size()) {
            m_nChosen = index;
            m_bChosen = true;
            if (m_pBtnOK) m_pBtnOK->SetEnabled(true);
        }
    }
}

LRESULT CUICaptureSource::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (uMsg == WM_TIMER) return OnTimer(uMsg, wParam, lParam, bHandled);
    return 0;
}

LRESULT CUICaptureSource::OnTimer(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT CUICaptureSource::OnClose(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    if (wParam != kResultOK) DropEntries();
    bHandled = FALSE;
    return 0;
}

std::shared_ptr<zovi::engine::WindowInfo> CUICaptureSource::GetChosenEntry() const {
    if (!m_bChosen || m_nChosen >= m_entries.size()) return nullptr;
    return m_entries[m_nChosen];
}

}  // namespace DuiLib
