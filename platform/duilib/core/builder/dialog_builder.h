// CDialogBuilder: XML layouts (pugixml) to control trees. The layout is a file of the
// skin or, when the text starts with "<", the XML itself. Its root element is <Window>:
// its attributes (size, sizebox, caption, roundcorner, layeredimage, mininfo, bkcolor)
// and <Font> elements configure the paint manager; its first control element becomes
// the root. The builder knows the library's tags; any other tag goes to the callback's
// CreateControl with the tag exactly as written, and an element nobody makes is skipped
// with its children (one log line). <Include source="file"/> builds that file's controls
// in place. Attributes are applied in document order through SetAttribute; building
// raises no notifications. A missing or broken layout gives one ERROR line naming it and
// a null root.
#pragma once
#include <string>

#include "platform/duilib/controls/control.h"

namespace DuiLib {

class CPaintManagerUI;
class CContainerUI;

class IDialogBuilderCallback {
public:
    // A control for a tag the library does not know, or null to skip the element.
    virtual CControlUI* CreateControl(const wchar_t* pstrClass) = 0;

protected:
    virtual ~IDialogBuilderCallback() = default;
};

class CDialogBuilder {
public:
    // The root control (owned by the caller until attached), or null. `type` is kept for
    // the callers' names: the library has one skin source. With `parent` (a container)
    // the layout's controls are added to it and the first one is returned.
    CControlUI* Create(const wchar_t* xml, const wchar_t* type = nullptr, IDialogBuilderCallback* callback = nullptr,
                       CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);
};

}  // namespace DuiLib
