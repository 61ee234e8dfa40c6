#include "ui/base/folder_dialog/browse_for_folder.h"

#include <memory>

#include "ui/base/folder_dialog/ui_folder_dialog.h"

namespace DuiLib {

std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& startFolder, const std::wstring& title) {
    auto dialog = std::make_shared<CUIFolderDialog>(startFolder, title);
    if (!dialog->Create(owner, L"", UI_WNDSTYLE_DIALOG & ~WS_VISIBLE, WS_EX_TOOLWINDOW)) return std::nullopt;
    if (dialog->ShowModal() != IDOK || dialog->GetChosenFolder().empty()) return std::nullopt;
    return dialog->GetChosenFolder();
}

}  // namespace DuiLib
