#include "tray/tray_hotkeys.h"

#include <string>

#include "tolka.h"
#include "tray/tray_settings.h"

void RegisterHotkeys(HWND tray, std::set<int>& registered) {
    for (const HotkeyRow& row : kHotkeyRows) {
        DWORD value = row.defaultValue;
        TraySettings().GetDword(value, row.valueName, kHotkeySubkey, true);
        const HotkeyGrab grab = TranslateHotkeyValue(value);
        if (!grab.wanted) continue;
        if (RegisterHotKey(tray, row.id, grab.modifiers, grab.virtualKey)) registered.insert(row.id);
    }
}

void UnregisterHotkeys(HWND tray, std::set<int>& registered) {
    for (int id : registered) UnregisterHotKey(tray, id);
    registered.clear();
}

void ApplyLanguage() {
    std::wstring lang;
    TraySettings().GetString(lang, L"lang", nullptr, false);
    TolkaSetLang(lang == L"zh-CN" ? TolkaLangChinese : TolkaLangEnglish);
}
