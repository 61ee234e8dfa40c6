#include "tray/tray_settings.h"

#include "core/regvalues/reg_values.h"

CTraySettings::CTraySettings() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

bool CTraySettings::GetDword(DWORD& value, const wchar_t* name, const wchar_t* subkey,
                             bool writeDefault) {
    return ReadRegDword(value, name, subkey, writeDefault);
}

bool CTraySettings::GetString(std::wstring& text, const wchar_t* name, const wchar_t* subkey,
                              bool writeDefault) {
    if (ReadRegString(text, name, subkey)) return true;
    if (writeDefault) WriteRegString(text, name, subkey);
    return false;
}

CTraySettings& TraySettings() {
    static CTraySettings settings;
    return settings;
}
