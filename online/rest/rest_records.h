// The records that REST replies fill and listeners receive. Texts are 8-bit (UTF-8
// here). A record handed over after a failed request, a reply whose "success" is false
// or whose "data" is null or not an object, keeps its initial (empty) values.
#pragma once
#include <cstdint>
#include <string>

// The signed-in user as the service reports it.
struct UserInfo {
    int64_t uid = 0;
    std::string account;  // sign-in: the account sent; user info: "account"
    std::string nick;
    std::string avatar;
    int64_t createTime = 0;
};

// One device bound to the account.
struct DeviceInfo {
    std::string id;
    std::string name;
    int64_t lastTime = 0;
    int32_t platform = 0;
};

// The start of a QR-code sign-in.
struct WechatLoginUrlInfo {
    std::string url;
    std::string qId;
};

// The user of a QR-code sign-in; its uid stays 32-bit.
struct WechatUserInfo {
    int32_t uid = 0;
    std::string nick;
    std::string avatar;
};

// The service's newest release. Version numbers compare as unsigned 64-bit values
// against the running program's own number.
struct UpdateInfo {
    uint64_t low_usable_version = 0;  // the lowest version that may still be used
    uint64_t last_version = 0;        // the newest release
    std::string last_version_text;    // its display text; also the installer's file name
    std::string app_url;              // the installer's URL
    std::string update_info;          // release notes
};
