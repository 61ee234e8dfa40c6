// Shared pieces of the control tests: a paint manager built from a layout, the library's
// error lines captured, and controls that record the events they get.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/duilib/controls/button.h"
#include "platform/duilib/controls/container.h"
#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/builder/dialog_builder.h"
#include "platform/duilib/core/manager/paint_manager.h"

namespace DuiLib::test {

// Builds `xml` (inline or a fixture file) into a new paint manager, attaches the root
// and lays it out at `width` x `height`.
std::unique_ptr<CPaintManagerUI> BuildManager(const wchar_t* xml, int width, int height,
                                              IDialogBuilderCallback* callback = nullptr);

// A `size` x `size` bitmap of one colour, added to the manager under `name`.
void AddSolidImage(CPaintManagerUI& pm, const wchar_t* name, uint32_t bgrx, int size);

// While alive: the library's error lines go into `lines` (LogOnce forgets what it saw
// before, so each test counts its own).
class CLogCapture {
public:
    CLogCapture();
    ~CLogCapture();
    CLogCapture(const CLogCapture&) = delete;
    CLogCapture& operator=(const CLogCapture&) = delete;
    // Lines containing `text`.
    int Count(const std::wstring& text) const;
    std::vector<std::wstring> lines;
};

// What recording controls saw: "name:event number" in order ("name:18:wParam" for the
// wheel, "name:24:id" for timers).
std::vector<std::wstring>& EventLog();

// Controls that log the events they get, then behave as their base.
class CRecordingControl : public CControlUI {
public:
    void DoEvent(TEventUI& event) override;
};
class CRecordingContainer : public CContainerUI {
public:
    void DoEvent(TEventUI& event) override;
};
class CRecordingButton : public CButtonUI {
public:
    explicit CRecordingButton(bool* destroyed = nullptr) : destroyed_(destroyed) {}
    ~CRecordingButton() override;
    void DoEvent(TEventUI& event) override;

private:
    bool* destroyed_;
};

// Makes the recording controls for the tags "Rec", "RecContainer" and "RecButton".
class CRecordingFactory : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const wchar_t* tag) override;
    std::vector<std::wstring> seen;  // every tag asked for, as written
};

}  // namespace DuiLib::test
