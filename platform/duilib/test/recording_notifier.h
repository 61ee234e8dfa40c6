// The standard observer of tests: an INotifyUI that logs each notification's type,
// sender name, wParam and lParam in order, and may run a hook on each (to act as a
// window's handler would, re-entrantly).
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/duilib/core/manager/ui_defs.h"

namespace DuiLib::test {

class CRecordingNotifier : public INotifyUI {
public:
    struct Entry {
        std::wstring type;
        std::wstring sender;  // the sender's name ("" when none)
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        std::wstring virtualWnd;
        bool operator==(const Entry& other) const = default;
    };

    void Notify(TNotifyUI& msg) override;

    // "type:sender" per notification, the form table tests compare.
    std::vector<std::wstring> Lines() const;
    void Clear() { entries.clear(); }

    std::vector<Entry> entries;
    std::function<void(TNotifyUI&)> onNotify;  // runs after the entry is logged
};

}  // namespace DuiLib::test
