#include "online/account/account_context.h"

#include <cstdint>
#include <cwchar>
#include <exception>

#include "core/files/data_folder.h"
#include "core/global/global.h"
#include "core/options/options.h"
#include "core/regvalues/reg_values.h"
#include "platform/base/computer_name.h"
#include "platform/base/utf8.h"

namespace {

using zovi::platform::Utf8ToWide;
using zovi::platform::WideToUtf8;

constexpr DWORD kComputerNameCapacity = 1024;

// A random GUID in lower case; empty when the system gives no randomness.
std::string MakeRunId() {
    try {
        std::string id = WideToUtf8(MakeApplicationId());
        for (char& c : id)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return id;
    } catch (const std::exception&) {
        return {};
    }
}

// Signed 64-bit decimal: leading white space and one sign, digits up to the first other
// character, 0 without digits, the range's limit beyond it.
int64_t ParseStoredNumber(const std::wstring& text) {
    return static_cast<int64_t>(std::wcstoll(text.c_str(), nullptr, 10));
}

}  // namespace

CAccountContextController::CAccountContextController() {
    LoadLastLogin();
    runId = MakeRunId();
}

CAccountContextController::~CAccountContextController() = default;

void CAccountContextController::LoadLastLogin() {
    std::wstring number;
    ReadRegString(number, kLastLoginValue, nullptr);
    lastLogin = static_cast<uint64_t>(ParseStoredNumber(number));
    if (lastLogin == 0) return;
    std::wstring stored;
    ReadRegString(stored, kLastUserValue, nullptr);
    if (!AccountInfoFromJson(account, WideToUtf8(stored))) account.Reset();
    // A damaged record, or one of another user, signs out.
    if (account.uid != lastLogin) ClearLogin();
    PublishUserId();
}

void CAccountContextController::SaveLastLogin(const AccountInfo& info) {
    account = info;
    lastLogin = info.uid;
    PublishUserId();
    WriteRegString(std::to_wstring(info.uid), kLastLoginValue, nullptr);
    WriteRegString(Utf8ToWide(AccountInfoToJson(account)), kLastUserValue, nullptr);
}

void CAccountContextController::ClearLogin() {
    lastLogin = 0;
    account.Reset();
    PublishUserId();
    WriteRegString(L"", kLastLoginValue, nullptr);
    WriteRegString(L"", kLastUserValue, nullptr);
}

std::string CAccountContextController::GetWatermarkText() const {
    const COptions& options = GetGlobal();
    return options.overlayTextOn != 0 ? WideToUtf8(options.overlayText) : std::string();
}

std::wstring CAccountContextController::GetDeviceName() {
    wchar_t name[kComputerNameCapacity] = {};
    DWORD size = kComputerNameCapacity;
    if (!GetComputerNameW(name, &size)) return {};
    return name;
}

std::wstring CAccountContextController::GetDeviceId() { return GetVolumeDeviceId(); }
