// The tray's settings: values under the program key "Software\Larnet\Zovik" of the
// current user, where the main program's settings window saves them. Every read goes to
// the store as it is now, so values saved by the main program are seen at once.
#pragma once
#include <string>

#include "platform/base/wintypes.h"

class CTraySettings {
public:
    // Creates the program key when it is missing.
    CTraySettings();

    // True when a REG_DWORD was read into `value`. Otherwise `value` keeps what it holds,
    // and with `writeDefault` it is written as REG_DWORD. A null `subkey` reads the
    // program key itself; a missing subkey is created.
    bool GetDword(DWORD& value, const wchar_t* name, const wchar_t* subkey, bool writeDefault);
    // True when a REG_SZ or REG_EXPAND_SZ with its terminating zero was read into `text`
    // (anything else is bad data). Otherwise `text` keeps what it holds, and with
    // `writeDefault` it is written as REG_SZ.
    bool GetString(std::wstring& text, const wchar_t* name, const wchar_t* subkey,
                   bool writeDefault);
};

// The tray's one settings object, made (and the key created) at the first call.
CTraySettings& TraySettings();
