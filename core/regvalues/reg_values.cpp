#include "core/regvalues/reg_values.h"

#include <cstring>
#include <vector>

namespace {

// The opened (or created) program key or subkey, closed at scope end.
class ScopedKey {
public:
    explicit ScopedKey(const wchar_t* subkey) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, ProgramKeyPath(subkey).c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~ScopedKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// The stored value's type and bytes; false when missing.
bool Query(HKEY key, const wchar_t* name, DWORD& type, std::vector<BYTE>& data) {
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    data.resize(size);
    return RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS &&
           (data.resize(size), true);
}

bool StoredEquals(HKEY key, const wchar_t* name, DWORD type, const void* bytes, size_t size) {
    DWORD storedType;
    std::vector<BYTE> stored;
    return Query(key, name, storedType, stored) && storedType == type && stored.size() == size &&
           std::memcmp(stored.data(), bytes, size) == 0;
}

bool SetIfChanged(const wchar_t* subkey, const wchar_t* name, DWORD type, const void* bytes,
                  size_t size) {
    ScopedKey key(subkey);
    if (key.get() == nullptr) return false;
    if (StoredEquals(key.get(), name, type, bytes, size)) return true;
    return RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(bytes),
                          static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

}  // namespace

std::wstring ProgramKeyPath(const wchar_t* subkey) {
    std::wstring path = kProgramKey;
    if (subkey != nullptr && *subkey != 0) path += std::wstring(L"\\") + subkey;
    return path;
}

bool ReadRegDword(DWORD& value, const wchar_t* name, const wchar_t* subkey, bool writeDefault) {
    ScopedKey key(subkey);
    if (key.get() == nullptr) return false;
    DWORD type = REG_NONE;
    DWORD stored = 0;
    DWORD size = sizeof(stored);
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&stored),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(stored)) {
        value = stored;
        return true;
    }
    if (writeDefault)
        RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
    return false;
}

bool RegValueExists(const wchar_t* name, const wchar_t* subkey) {
    ScopedKey key(subkey);
    DWORD type = REG_NONE;
    DWORD size = 0;
    return key.get() != nullptr &&
           RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool WriteRegDword(DWORD value, const wchar_t* name, const wchar_t* subkey) {
    return SetIfChanged(subkey, name, REG_DWORD, &value, sizeof(value));
}

bool WriteUpdateInfoQword(std::uint64_t value, const wchar_t* name) {
    return SetIfChanged(kUpdateInfoSubkey, name, REG_QWORD, &value, sizeof(value));
}

bool ReadUpdateInfoQword(std::uint64_t& value, const wchar_t* name) {
    ScopedKey key(kUpdateInfoSubkey);
    DWORD type;
    std::vector<BYTE> data;
    if (key.get() == nullptr || !Query(key.get(), name, type, data) || type != REG_QWORD ||
        data.size() != sizeof(value))
        return false;
    std::memcpy(&value, data.data(), sizeof(value));
    return true;
}

bool ReadRegString(std::wstring& value, const wchar_t* name, const wchar_t* subkey) {
    ScopedKey key(subkey);
    DWORD type;
    std::vector<BYTE> data;
    if (key.get() == nullptr || !Query(key.get(), name, type, data)) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    if (data.size() < sizeof(wchar_t) || data.size() % sizeof(wchar_t) != 0) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    const auto* units = reinterpret_cast<const wchar_t*>(data.data());
    const size_t count = data.size() / sizeof(wchar_t);
    if (units[count - 1] != 0) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    value.assign(units, count - 1);
    return true;
}

bool WriteRegString(const std::wstring& value, const wchar_t* name, const wchar_t* subkey) {
    return SetIfChanged(subkey, name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

bool ReadRegWindowPlacement(BYTE (&placement)[kWindowPlacementSize], const wchar_t* name,
                            const wchar_t* subkey) {
    ScopedKey key(subkey);
    DWORD type;
    std::vector<BYTE> data;
    if (key.get() == nullptr || !Query(key.get(), name, type, data) || type != REG_BINARY ||
        data.size() != kWindowPlacementSize)
        return false;
    std::memcpy(placement, data.data(), kWindowPlacementSize);
    return true;
}

bool WriteRegWindowPlacement(const BYTE (&placement)[kWindowPlacementSize], const wchar_t* name,
                             const wchar_t* subkey) {
    ScopedKey key(subkey);
    return key.get() != nullptr && WriteRegBinaryIfChanged(key.get(), name, placement);
}

bool WriteRegBinaryIfChanged(HKEY key, const wchar_t* name,
                             const BYTE (&placement)[kWindowPlacementSize]) {
    if (StoredEquals(key, name, REG_BINARY, placement, kWindowPlacementSize)) return true;
    return RegSetValueExW(key, name, 0, REG_BINARY, placement, kWindowPlacementSize) ==
           ERROR_SUCCESS;
}

bool DeleteRegValue(const wchar_t* name, const wchar_t* subkey) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ProgramKeyPath(subkey).c_str(), 0, KEY_WRITE, &key) !=
        ERROR_SUCCESS)
        return true;
    const LONG result = RegDeleteValueW(key, name);
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegTree(const wchar_t* subkey) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kProgramKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return true;
    const LONG result = RegDeleteTreeW(key, subkey);
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}
