// The notification rules as table rows: each row starts from a fresh layout, prepares
// silently, acts, and compares what a recording notifier logged ("type:sender").
// Each control family keeps its rows next to its other tests and runs them here.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/duilib/core/builder/dialog_builder.h"
#include "platform/duilib/core/manager/paint_manager.h"

namespace DuiLib::test {

struct NotifyRow {
    const char* row;
    std::function<void(CPaintManagerUI&)> setup;  // silent preparation
    std::function<void(CPaintManagerUI&)> action;
    std::vector<std::wstring> expected;
    std::function<void(CPaintManagerUI&)> check;
};

inline void Nothing(CPaintManagerUI&) {}

// Runs every row on a new paint manager built from `layout` at `width` x `height`.
void RunNotifyRows(const wchar_t* layout, int width, int height, const std::vector<NotifyRow>& rows,
                   IDialogBuilderCallback* callback = nullptr);

}  // namespace DuiLib::test
