// String lookup binding: a window (or settings page) binds each control and child window
// that shows text to a string-table id; ApplyStrings fills them from the table, and a
// language change refills every registered object.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/deferred/singleton.h"
#include "platform/base/critical_section.h"
#include "platform/window/window_types.h"

namespace DuiLib {
class CControlUI;
}

// Sets a DirectUI control's text (its SetText). The DirectUI library installs it; until
// then bound controls cannot be filled, and ApplyStrings fills the bound windows only.
using TolkaControlTextSetter = void (*)(DuiLib::CControlUI* control, const wchar_t* text);
void SetTolkaControlTextSetter(TolkaControlTextSetter setter);

class CTolkaBase {
public:
    CTolkaBase() = default;
    // Leaves the helper's list and forgets its bindings.
    virtual ~CTolkaBase();
    // Every bound control (in map order), then every bound window, gets the text of its
    // id in the current language; an id without text blanks it.
    virtual void ApplyStrings();

    // Binds, or rebinds to a new id.
    void BindControlText(DuiLib::CControlUI* control, std::uint32_t id);
    void BindWindowText(HWND hwnd, std::uint32_t id);

    CTolkaBase(const CTolkaBase&) = delete;
    CTolkaBase& operator=(const CTolkaBase&) = delete;

protected:
    std::map<DuiLib::CControlUI*, std::uint32_t> controlTexts_;
    std::map<HWND, std::uint32_t> windowTexts_;
};

// Every live CTolkaBase, in registration order.
class CTolkaHelper final : public CSingletonT<CTolkaHelper> {
public:
    // Appends `object`; false (and nothing added) when it is in the list already.
    bool Add(CTolkaBase* object);
    void Remove(CTolkaBase* object);
    bool Contains(CTolkaBase* object);
    // ApplyStrings of every object in list order, over the list as it was when the walk
    // began; objects removed meanwhile are skipped. UI thread.
    void ApplyStringsToAll();

private:
    friend class CSingletonT<CTolkaHelper>;
    CTolkaHelper() = default;
    ~CTolkaHelper() = default;

    std::vector<std::pair<CTolkaBase*, std::uint64_t>> objects_;
    std::uint64_t nextSerial_ = 1;
    CRITICAL_SECTION lock_;
};

// A window's registration in its initialisation (after binding): joins the list and
// applies the strings once.
void RegisterTolkaObject(CTolkaBase* object);

// The string-table language of a language code: English (2) for exactly "en-US",
// otherwise Chinese (1).
std::uint32_t TolkaLangFromCode(const std::wstring& code);

// The language change: stores `code` in `langOption`, selects the table, and posts one
// deferred call that re-texts every registered object in list order.
void ChangeTolkaLanguage(std::wstring& langOption, const std::wstring& code);
