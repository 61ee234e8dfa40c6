// DuiLib::CUIFolderDialog: the folder chooser window behind BrowseForFolder — a path field
// (Enter goes to the typed folder), the special folders on the left, the sub-folders of
// the current folder as rows (a click enters one, ".." goes up), "New folder", OK and
// Cancel. A folder that cannot be read shows a message instead of its rows. ShowModal
// returns IDOK (GetChosenFolder then holds the folder) or IDCANCEL. UI thread only.
#pragma once
#include <string>

#include "ui/base/shadow_helper.h"
#include "ui/base/window_impl_base_impl.h"

namespace DuiLib {

class CContainerUI;

class CUIFolderDialog : public WindowImplBaseImpl, public CShadowHelper {
public:
    // `startFolder` "" (or one that does not exist) starts at the home folder; `title` ""
    // takes the dialog's own.
    CUIFolderDialog(std::wstring startFolder, std::wstring title);
    ~CUIFolderDialog() override;

    const wchar_t* GetWindowClassName() const override { return L"UIFolderDialog"; }
    CDuiString GetSkinFile() override { return L"FolderDialog.xml"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;

    const std::wstring& GetCurrentFolder() const { return m_current; }
    const std::wstring& GetChosenFolder() const { return m_chosen; }

private:
    void SetTexts();
    void BuildPlaces();
    // Shows `folder`: the path field, its rows (or the message when it cannot be read).
    void Navigate(const std::wstring& folder);
    void AddRow(const std::wstring& name, const std::wstring& path, const std::wstring& text);
    void ShowMessage(const std::wstring& text);
    // The folder the path field names when it exists; otherwise the message says so and "".
    std::wstring TypedFolder();
    void MakeNewFolder();
    // Scrolls the list so that `row` shows whole.
    void ScrollIntoView(CControlUI* row);
    void Choose();

    std::wstring m_startFolder;
    std::wstring m_title;
    std::wstring m_current;
    std::wstring m_chosen;
    CControlUI* m_pPath = nullptr;
    CControlUI* m_pMessage = nullptr;
    CContainerUI* m_pList = nullptr;
    CContainerUI* m_pPlaces = nullptr;
    CControlUI* m_pBtnUp = nullptr;
    CControlUI* m_pBtnNewFolder = nullptr;
    CControlUI* m_pBtnOK = nullptr;
    CControlUI* m_pBtnCancel = nullptr;
    CControlUI* m_pBtnClose = nullptr;
};

}  // namespace DuiLib
