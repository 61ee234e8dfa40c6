// AccountInfo: the signed-in user as the account context keeps it and stores it in the
// settings ("LastUser"). A plain copyable record; uid 0 means nobody is signed in.
#pragma once
#include <cstdint>
#include <string>

struct AccountInfo {
    uint64_t uid = 0;      // the user's number at the service; 0 = signed out
    std::wstring account;  // as typed at sign-in (an e-mail address or a mobile number)
    uint32_t type = 0;     // the account's kind, stored and restored unchanged
    std::wstring nick;
    std::wstring avatar;   // the avatar's address
    std::wstring token;    // given by the service at sign-in, stored and restored unchanged
    int64_t create = 0;    // the creation time as the service reports it

    // Numbers 0, texts empty.
    void Reset() { *this = AccountInfo(); }
    bool operator==(const AccountInfo&) const = default;
};
