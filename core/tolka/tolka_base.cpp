#include "core/tolka/tolka_base.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "core/deferred/on_idle.h"
#include "platform/window/window.h"
#include "tolka.h"

namespace {

std::atomic<TolkaControlTextSetter> g_controlTextSetter{nullptr};

}  // namespace

void SetTolkaControlTextSetter(TolkaControlTextSetter setter) { g_controlTextSetter = setter; }

CTolkaBase::~CTolkaBase() {
    // After the helper is gone (at exit) there is no list to leave.
    if (CTolkaHelper* helper = CTolkaHelper::PeekInstance()) helper->Remove(this);
    controlTexts_.clear();
    windowTexts_.clear();
}

void CTolkaBase::ApplyStrings() {
    if (const TolkaControlTextSetter setter = g_controlTextSetter.load())
        for (const auto& [control, id] : controlTexts_) setter(control, TolkaGetString(id));
    for (const auto& [hwnd, id] : windowTexts_) SetWindowTextW(hwnd, TolkaGetString(id));
}

void CTolkaBase::BindControlText(DuiLib::CControlUI* control, std::uint32_t id) {
    controlTexts_[control] = id;
}

void CTolkaBase::BindWindowText(HWND hwnd, std::uint32_t id) { windowTexts_[hwnd] = id; }

bool CTolkaHelper::Add(CTolkaBase* object) {
    std::lock_guard guard(lock_);
    for (const auto& entry : objects_)
        if (entry.first == object) return false;
    objects_.emplace_back(object, nextSerial_++);
    return true;
}

void CTolkaHelper::Remove(CTolkaBase* object) {
    std::lock_guard guard(lock_);
    std::erase_if(objects_, [object](const auto& entry) { return entry.first == object; });
}

bool CTolkaHelper::Contains(CTolkaBase* object) {
    std::lock_guard guard(lock_);
    return std::any_of(objects_.begin(), objects_.end(),
                       [object](const auto& entry) { return entry.first == object; });
}

void CTolkaHelper::ApplyStringsToAll() {
    std::vector<std::pair<CTolkaBase*, std::uint64_t>> snapshot;
    {
        std::lock_guard guard(lock_);
        snapshot = objects_;
    }
    for (const auto& entry : snapshot) {
        {
            std::lock_guard guard(lock_);
            if (std::find(objects_.begin(), objects_.end(), entry) == objects_.end()) continue;
        }
        // UI thread only: an object removed by this call is not touched afterwards.
        entry.first->ApplyStrings();
    }
}

void RegisterTolkaObject(CTolkaBase* object) {
    CTolkaHelper::GetInstance()->Add(object);
    object->ApplyStrings();
}

std::uint32_t TolkaLangFromCode(const std::wstring& code) {
    return code == L"en-US" ? TolkaLangEnglish : TolkaLangChinese;
}

void ChangeTolkaLanguage(std::wstring& langOption, const std::wstring& code) {
    langOption = code;
    TolkaSetLang(static_cast<TolkaLang>(TolkaLangFromCode(code)));
    PostToUiThread([] { CTolkaHelper::GetInstance()->ApplyStringsToAll(); });
}
