#include "platform/duilib/tests/notify_rules.h"

#include <gtest/gtest.h>

#include "platform/duilib/test/recording_notifier.h"
#include "platform/duilib/tests/controls_test_support.h"

namespace DuiLib::test {

void RunNotifyRows(const wchar_t* layout, int width, int height, const std::vector<NotifyRow>& rows,
                   IDialogBuilderCallback* callback) {
    for (const NotifyRow& row : rows) {
        SCOPED_TRACE(row.row);
        auto pm = BuildManager(layout, width, height, callback);
        row.setup(*pm);
        CRecordingNotifier log;
        pm->AddNotifier(&log);
        row.action(*pm);
        EXPECT_EQ(log.Lines(), row.expected);
        row.check(*pm);
        pm->RemoveNotifier(&log);
    }
}

}  // namespace DuiLib::test
