// A fresh home folder and settings store for each test, and raw access to the store.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/regvalues/reg_values.h"

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zovi-settings-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        std::filesystem::create_directories(folder_ + "/home");
        setenv("HOME", (folder_ + "/home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (folder_ + "/home/.config").c_str(), 1);
        zovi::platform::TakeRegistryDamageReports();
    }
    void TearDown() override {
        if (!folder_.empty()) std::filesystem::remove_all(folder_);
    }

    // Stores a raw value, bypassing the value helpers.
    static void Seed(const wchar_t* subkey, const wchar_t* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, ProgramKeyPath(subkey).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static void SeedDword(const wchar_t* subkey, const wchar_t* name, DWORD value) {
        Seed(subkey, name, REG_DWORD, &value, sizeof(value));
    }
    static void SeedString(const wchar_t* subkey, const wchar_t* name, const std::wstring& value) {
        Seed(subkey, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    // The stored value's type; REG_NONE when missing.
    static DWORD StoredType(const wchar_t* subkey, const wchar_t* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, ProgramKeyPath(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return REG_NONE;
        DWORD type = REG_NONE, size = 0;
        if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) type = REG_NONE;
        RegCloseKey(key);
        return type;
    }

    std::string folder_;
};
