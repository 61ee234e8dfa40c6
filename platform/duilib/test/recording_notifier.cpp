#include "platform/duilib/test/recording_notifier.h"

#include "platform/duilib/controls/control.h"

namespace DuiLib::test {

void CRecordingNotifier::Notify(TNotifyUI& msg) {
    entries.push_back(Entry{msg.sType.str(), msg.pSender ? msg.pSender->GetName().str() : std::wstring(), msg.wParam,
                            msg.lParam, msg.sVirtualWnd.str()});
    if (onNotify) onNotify(msg);
}

std::vector<std::wstring> CRecordingNotifier::Lines() const {
    std::vector<std::wstring> lines;
    for (const Entry& entry : entries) lines.push_back(entry.type + L":" + entry.sender);
    return lines;
}

}  // namespace DuiLib::test
