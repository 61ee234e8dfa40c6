#include "platform/duilib/controls/list.h"

#include <cwchar>

namespace DuiLib {

CListUI::CListUI() { CVerticalLayoutUI::SetAttribute(L"vscrollbar", L"true"); }

void* CListUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"List") == 0) return this;
    return CVerticalLayoutUI::GetInterface(name);
}

void CListUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    // Lists have no header; the layouts' header setting is accepted and changes nothing.
    if (std::wcscmp(name, L"header") == 0) return;
    CVerticalLayoutUI::SetAttribute(name, value);
}

}  // namespace DuiLib
