#include "ui/base/folder_dialog/ui_folder_dialog.h"

#include <cwchar>
#include <utility>

#include "platform/duilib/controls/button.h"
#include "platform/duilib/controls/container.h"
#include "platform/duilib/core/render/render_engine.h"
#include "tolka.h"
#include "platform/fs/folder_paths.h"
#include "ui/base/folder_dialog/user_dirs.h"

namespace DuiLib {

namespace {
using namespace folder_dialog;
using namespace zovi::platform::folders;

constexpr UINT kProgramIcon = 107;
constexpr std::uint32_t kOkStringId = 36;
constexpr std::uint32_t kCancelStringId = 37;
constexpr const wchar_t* kRowPrefix = L"dir:";
constexpr const wchar_t* kPlacePrefix = L"place:";
constexpr DWORD kTextColor = 0xFF333333;
constexpr DWORD kRowHotColor = 0xFFE8F1FD;
constexpr DWORD kRowMarkColor = 0xFFCFE3FC;

// The dialog's own texts: English, and Chinese when the string table speaks Chinese.
enum TextId { kTitle, kNewFolderButton, kNewFolderName, kNoPermission, kUnreadable, kNoSuchFolder, kCannotCreate,
              kHome, kDesktop, kDocuments, kDownloads, kMusic, kPictures, kVideos };
constexpr std::pair<const wchar_t*, const wchar_t*> kTexts[] = {
    {L"Choose a folder", L"选择文件夹"},
    {L"New folder", L"新建文件夹"},
    {L"New folder", L"新建文件夹"},
    {L"You do not have permission to open this folder.", L"没有权限打开此文件夹。"},
    {L"This folder cannot be read.", L"无法读取此文件夹。"},
    {L"There is no such folder.", L"文件夹不存在。"},
    {L"A new folder cannot be made here.", L"无法在此处新建文件夹。"},
    {L"Home", L"主文件夹"},
    {L"Desktop", L"桌面"},
    {L"Documents", L"文档"},
    {L"Downloads", L"下载"},
    {L"Music", L"音乐"},
    {L"Pictures", L"图片"},
    {L"Videos", L"视频"},
};

const wchar_t* TextOf(int id) {
    const bool chinese = std::wcscmp(TolkaGetString(kCancelStringId), L"取消") == 0;
    return chinese ? kTexts[id].second : kTexts[id].first;
}

int TextIdOf(SpecialFolder kind) { return kHome + static_cast<int>(kind); }

CContainerUI* ContainerOf(CControlUI* control) {
    return control ? static_cast<CContainerUI*>(control->GetInterface(L"Container")) : nullptr;
}

// A flat, left-aligned row button with an icon.
CButtonUI* MakeRow(const std::wstring& name, const std::wstring& text, const wchar_t* icon) {
    auto* row = new CButtonUI;
    row->SetName(name.c_str());
    row->SetText(text.c_str());
    row->SetFixedHeight(28);
    row->SetFont(1);
    row->SetTextColor(kTextColor);
    row->SetTextPadding(RECT{34, 0, 8, 0});
    row->SetTextStyle(DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    row->SetHotBkColor(kRowHotColor);
    row->SetPushedBkColor(kRowMarkColor);
    row->SetNormalImage(icon);
    return row;
}
}  // namespace

CUIFolderDialog::CUIFolderDialog(std::wstring startFolder, std::wstring title)
    : m_startFolder(std::move(startFolder)), m_title(std::move(title)) {}

CUIFolderDialog::~CUIFolderDialog() = default;

void CUIFolderDialog::InitWindow() {
    SetIcon(kProgramIcon);
    CreateShadow(m_hWnd);
    CenterWindow();
    m_pPath = m_pm.FindControl(L"path");
    m_pMessage = m_pm.FindControl(L"message");
    m_pList = ContainerOf(m_pm.FindControl(L"list"));
    m_pPlaces = ContainerOf(m_pm.FindControl(L"places"));
    m_pBtnUp = m_pm.FindControl(L"btnUp");
    m_pBtnNewFolder = m_pm.FindControl(L"btnNewFolder");
    m_pBtnOK = m_pm.FindControl(L"btnOK");
    m_pBtnCancel = m_pm.FindControl(L"btnCancel");
    m_pBtnClose = m_pm.FindControl(L"btnClose");
    SetTexts();
    BuildPlaces();
    const std::wstring start = NormalizeFolder(m_startFolder);
    Navigate(IsFolder(start) ? start : HomeFolder());
}

void CUIFolderDialog::SetTexts() {
    const std::wstring title = m_title.empty() ? TextOf(kTitle) : m_title;
    if (CControlUI* label = m_pm.FindControl(L"title")) label->SetText(title.c_str());
    ::SetWindowTextW(m_hWnd, title.c_str());
    if (m_pBtnNewFolder) m_pBtnNewFolder->SetText(TextOf(kNewFolderButton));
    if (m_pBtnOK) m_pBtnOK->SetText(TolkaGetString(kOkStringId));
    if (m_pBtnCancel) m_pBtnCancel->SetText(TolkaGetString(kCancelStringId));
}

void CUIFolderDialog::BuildPlaces() {
    if (!m_pPlaces) return;
    static const wchar_t* const kKeys[] = {L"home", L"desktop", L"documents", L"downloads",
                                           L"music", L"pictures", L"videos"};
    for (const SpecialFolderEntry& entry : ExistingSpecialFolders()) {
        const int index = static_cast<int>(entry.kind);
        CButtonUI* place = MakeRow(std::wstring(kPlacePrefix) + kKeys[index], TextOf(TextIdOf(entry.kind)),
                                   L"file='folder_dialog/place.png' dest='10,6,26,22'");
        place->SetUserData(entry.path.c_str());
        place->SetToolTip(entry.path.c_str());
        m_pPlaces->Add(place);
    }
}

void CUIFolderDialog::Navigate(const std::wstring& folder) {
    m_current = folder;
    if (m_pPath) m_pPath->SetText(m_current.c_str());
    ShowMessage(L"");
    if (m_pBtnUp) m_pBtnUp->SetEnabled(m_current != L"/");
    if (!m_pList) return;
    m_pList->RemoveAll();
    m_pList->SetScrollPos(SIZE{0, 0});
    if (m_current != L"/") AddRow(L"..", ParentFolder(m_current), L"..");
    const SubfolderList list = ListSubfolders(m_current);
    if (!list.readable) {
        ShowMessage(TextOf(list.permissionDenied ? kNoPermission : kUnreadable));
        return;
    }
    for (const std::wstring& name : list.names) AddRow(name, JoinFolder(m_current, name), name);
}

void CUIFolderDialog::AddRow(const std::wstring& name, const std::wstring& path, const std::wstring& text) {
    const wchar_t* icon = name == L".." ? L"file='folder_dialog/up.png' dest='10,6,26,22'"
                                        : L"file='folder_dialog/folder.png' dest='10,6,26,22'";
    CButtonUI* row = MakeRow(kRowPrefix + name, text, icon);
    row->SetUserData(path.c_str());
    m_pList->Add(row);
}

void CUIFolderDialog::ShowMessage(const std::wstring& text) {
    if (!m_pMessage) return;
    m_pMessage->SetText(text.c_str());
    m_pMessage->SetVisible(!text.empty());
}

std::wstring CUIFolderDialog::TypedFolder() {
    const std::wstring typed = m_pPath ? NormalizeFolder(m_pPath->GetText().GetData()) : m_current;
    if (IsFolder(typed)) return typed;
    ShowMessage(TextOf(kNoSuchFolder));
    return L"";
}

void CUIFolderDialog::MakeNewFolder() {
    const std::wstring made = CreateNumberedFolder(m_current, TextOf(kNewFolderName));
    if (made.empty()) {
        ShowMessage(TextOf(kCannotCreate));
        return;
    }
    // The new folder stays selected in the listing of its parent: the path field names it
    // (OK takes it) and its row is marked.
    Navigate(m_current);
    if (m_pPath) m_pPath->SetText(made.c_str());
    const std::wstring name = made.substr(made.rfind(L'/') + 1);
    if (CControlUI* row = m_pm.FindControl((kRowPrefix + name).c_str())) {
        row->SetBkColor(kRowMarkColor);
        ScrollIntoView(row);
    }
}

void CUIFolderDialog::ScrollIntoView(CControlUI* row) {
    // Lay the rows out now: the new row has no place before the next paint.
    m_pList->SetPos(m_pList->GetPos(), false);
    const RECT inset = m_pList->GetInset();
    const RECT view = m_pList->GetPos();
    const int viewTop = view.top + inset.top;
    const int viewBottom = view.bottom - inset.bottom;
    const RECT rc = row->GetPos();
    SIZE pos = m_pList->GetScrollPos();
    if (rc.bottom > viewBottom) pos.cy += rc.bottom - viewBottom;
    if (rc.top < viewTop) pos.cy -= viewTop - rc.top;
    m_pList->SetScrollPos(pos);
}

void CUIFolderDialog::Choose() {
    const std::wstring folder = TypedFolder();
    if (folder.empty()) return;
    m_chosen = folder;
    Close(IDOK);
}

void CUIFolderDialog::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_RETURN && msg.pSender == m_pPath) {
        if (const std::wstring folder = TypedFolder(); !folder.empty()) Navigate(folder);
        return;
    }
    if (msg.sType != DUI_MSGTYPE_CLICK || !msg.pSender) return;
    const CDuiString name = msg.pSender->GetName();
    if (msg.pSender == m_pBtnOK) {
        Choose();
    } else if (msg.pSender == m_pBtnCancel || msg.pSender == m_pBtnClose) {
        Close(IDCANCEL);
    } else if (msg.pSender == m_pBtnUp) {
        Navigate(ParentFolder(m_current));
    } else if (msg.pSender == m_pBtnNewFolder) {
        MakeNewFolder();
    } else if (std::wcsncmp(name.GetData(), kRowPrefix, std::wcslen(kRowPrefix)) == 0 ||
               std::wcsncmp(name.GetData(), kPlacePrefix, std::wcslen(kPlacePrefix)) == 0) {
        // The row may be removed by Navigate: take its path first.
        const std::wstring path = msg.pSender->GetUserData().GetData();
        Navigate(path);
    }
}

}  // namespace DuiLib
