// The per-user data folder and its subfolders, the temporary folder and the machine
// identifier. Paths use "/" as separator.
#pragma once
#include <string>

inline constexpr const wchar_t* kDataRootOverrideValue = L"ZovikPath";
inline constexpr const wchar_t* kDataFolderName = L"Zovi录屏";
// The stand-in of the system's fixed fallback root, used when no profile folder is known.
inline constexpr const wchar_t* kFallbackProfileRoot = L"/tmp/Zovik";

// "ZovikPath" of the program key when set (doubled "\" folded, one trailing separator
// dropped, a leading "*:" drive placeholder dropped), used with nothing appended;
// otherwise the profile folder + "/Zovi录屏". Created; returned even when it cannot be.
std::wstring GetDataRootPath();
// Data root + "/Log", "/Storage", "/Crashes", each created.
std::wstring GetLogDirectory();
std::wstring GetStorageDirectory();
std::wstring GetCrashesDirectory();
// Data root + "/Data": the account file (not created).
std::wstring GetAccountDataPath();
// The temporary folder, ending in a separator: the system's, else $TEMP, $TMP, "/tmp/".
std::wstring GetTempDir();
// The machine identifier: the system volume's serial number in decimal (0 when unknown),
// at most 64 characters.
std::wstring GetVolumeDeviceId();
