// CNotifyPump: routes notifications to member handlers through static message maps, and
// to the pages (virtual windows) a window registers.
//
// A message map is a static table of entries (type, control name or "any control",
// handler) with the map of the base class behind it. For one pump, an entry naming the
// sender beats an "any control" entry of the same type; a map with neither passes the
// search on to its base map. A notification stamped with a virtual-window name (the
// `virtualwnd` attribute of a container around the sender) goes first to the page
// registered under that name; only when the page's maps have no entry for it does the
// window's own map get it. UI thread only.
#pragma once
#include <map>
#include <string>

#include "platform/duilib/core/manager/ui_defs.h"

namespace DuiLib {

class CNotifyPump;
// A handler of a map entry: calls a member of the pump's class.
using DuiNotifyHandler = void (*)(CNotifyPump* pump, TNotifyUI& msg);

// The handler calling `member` of `T` (a class derived from CNotifyPump).
template <class T, auto member>
void DuiNotifyThunk(CNotifyPump* pump, TNotifyUI& msg) {
    (static_cast<T*>(pump)->*member)(msg);
}

struct TNotifyMapEntry {
    const wchar_t* type;       // exact notification type; null ends the table
    const wchar_t* name;       // exact control name; null for any control
    DuiNotifyHandler handler;  // null: the entry takes the notification and does nothing
};

struct TNotifyMap {
    const TNotifyMap* (*base)();  // the base class's map, or null
    const TNotifyMapEntry* entries;
};

class CNotifyPump {
public:
    CNotifyPump() = default;
    CNotifyPump(const CNotifyPump&) = delete;
    CNotifyPump& operator=(const CNotifyPump&) = delete;

    virtual const TNotifyMap* GetMessageMap() const;
    virtual ~CNotifyPump() = default;
    // The map of this class (the base map of a derived class's map).
    static const TNotifyMap* GetThisMessageMap();

    // Pages: `pump` gets what controls under a container with virtualwnd="`name`" raise.
    bool AddVirtualWnd(const CDuiString& name, CNotifyPump* pump);
    bool RemoveVirtualWnd(const CDuiString& name);

    // The page first (when stamped), then this pump's maps.
    void NotifyPump(TNotifyUI& msg);
    // This pump's maps only; false when no entry matched.
    bool LoopDispatch(TNotifyUI& msg);

private:
    std::map<std::wstring, CNotifyPump*> m_VirtualWndMap;
};

}  // namespace DuiLib

// Declares the map accessors in a class derived from CNotifyPump.
#define DUI_DECLARE_MESSAGE_MAP()                                   \
public:                                                             \
    const ::DuiLib::TNotifyMap* GetMessageMap() const override;     \
    static const ::DuiLib::TNotifyMap* GetThisMessageMap();

// Defines the map of `theClass` whose maps continue with `baseClass`'s.
#define DUI_BEGIN_MESSAGE_MAP(theClass, baseClass)                                                   \
    const ::DuiLib::TNotifyMap* theClass::GetMessageMap() const { return GetThisMessageMap(); }      \
    const ::DuiLib::TNotifyMap* theClass::GetThisMessageMap() {                                      \
        using DuiMapClass = theClass;                                                                \
        using DuiMapBase = baseClass;                                                                \
        static_cast<void>(sizeof(DuiMapClass*));                                                     \
        static const ::DuiLib::TNotifyMapEntry kEntries[] = {
// "type" from any control.
#define DUI_ON_MSGTYPE(type, handler) \
    {type, nullptr, &::DuiLib::DuiNotifyThunk<DuiMapClass, &DuiMapClass::handler>},
// "type" from the control named `name`.
#define DUI_ON_MSGTYPE_CTRNAME(type, name, handler) \
    {type, name, &::DuiLib::DuiNotifyThunk<DuiMapClass, &DuiMapClass::handler>},
// "type" from any control, taken and ignored.
#define DUI_ON_MSGTYPE_IGNORED(type) {type, nullptr, nullptr},
#define DUI_ON_CLICK_CTRNAME(name, handler) DUI_ON_MSGTYPE_CTRNAME(::DuiLib::DUI_MSGTYPE_CLICK, name, handler)
#define DUI_ON_SELECTCHANGED_CTRNAME(name, handler) \
    DUI_ON_MSGTYPE_CTRNAME(::DuiLib::DUI_MSGTYPE_SELECTCHANGED, name, handler)
#define DUI_END_MESSAGE_MAP()                                                                  \
        {nullptr, nullptr, nullptr}};                                                          \
        static const ::DuiLib::TNotifyMap kMap{&DuiMapBase::GetThisMessageMap, kEntries};      \
        return &kMap;                                                                          \
    }
