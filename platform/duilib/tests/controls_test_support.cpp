#include "platform/duilib/tests/controls_test_support.h"

#include <string>

#include "platform/duilib/core/string/dui_log.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/gdi/dib_section.h"

namespace DuiLib::test {
namespace {

std::vector<std::wstring>* g_captured = nullptr;

void CaptureSink(int level, const wchar_t* text) {
    if (level == kLogError && g_captured) g_captured->push_back(text);
}

void Record(CControlUI* control, const TEventUI& event) {
    std::wstring line = control->GetName().str() + L":" + std::to_wstring(event.Type);
    if (event.Type == UIEVENT_SCROLLWHEEL || event.Type == UIEVENT_TIMER) line += L":" + std::to_wstring(event.wParam);
    EventLog().push_back(line);
}

}  // namespace

std::unique_ptr<CPaintManagerUI> BuildManager(const wchar_t* xml, int width, int height,
                                              IDialogBuilderCallback* callback) {
    auto manager = std::make_unique<CPaintManagerUI>();
    CDialogBuilder builder;
    manager->AttachDialog(builder.Create(xml, nullptr, callback, manager.get()));
    LayOut(*manager, width, height);
    return manager;
}

void AddSolidImage(CPaintManagerUI& pm, const wchar_t* name, uint32_t bgrx, int size) {
    auto bitmap = zovi::platform::CDibSection::Create(size, size);
    bitmap->BeginDirectAccess();
    for (int i = 0; i < size * size; ++i) reinterpret_cast<uint32_t*>(bitmap->Bits())[i] = bgrx;
    bitmap->EndDirectAccess();
    pm.AddImage(name, bitmap, size, size, false);
}

CLogCapture::CLogCapture() {
    ResetLogOnce();
    g_captured = &lines;
    SetLogSink(&CaptureSink);
}

CLogCapture::~CLogCapture() {
    SetLogSink(nullptr);
    g_captured = nullptr;
}

int CLogCapture::Count(const std::wstring& text) const {
    int count = 0;
    for (const std::wstring& line : lines) count += line.find(text) != std::wstring::npos ? 1 : 0;
    return count;
}

std::vector<std::wstring>& EventLog() {
    static std::vector<std::wstring> log;
    return log;
}

void CRecordingControl::DoEvent(TEventUI& event) {
    Record(this, event);
    CControlUI::DoEvent(event);
}

void CRecordingContainer::DoEvent(TEventUI& event) {
    Record(this, event);
    CContainerUI::DoEvent(event);
}

CRecordingButton::~CRecordingButton() {
    if (destroyed_) *destroyed_ = true;
}

void CRecordingButton::DoEvent(TEventUI& event) {
    Record(this, event);
    CButtonUI::DoEvent(event);
}

CControlUI* CRecordingFactory::CreateControl(const wchar_t* tag) {
    seen.push_back(tag);
    const std::wstring name = tag;
    if (name == L"Rec") return new CRecordingControl;
    if (name == L"RecContainer") return new CRecordingContainer;
    if (name == L"RecButton") return new CRecordingButton;
    return nullptr;
}

}  // namespace DuiLib::test
