// CAccountContextController: the main program's one record of who is signed in, kept
// across runs in the settings ("LastLogin", "LastUser"), plus the run id of this process
// and the small services the capture and request code ask of the account side: the
// computer's name, the device identifier, the watermark text and the stored-text
// encoding.
//
// Threads: the record is changed and read on the UI thread (the windows sign in and out
// there; analytics events are built there). SignedInUserId() alone may be read from any
// thread. The static helpers need no instance and may run on any thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/deferred/singleton.h"
#include "online/account/account_info.h"

// Settings values under the program key (REG_SZ): the signed-in user's number as unsigned
// decimal, and the user record as stored text. Signing out leaves both present and empty.
inline constexpr const wchar_t* kLastLoginValue = L"LastLogin";
inline constexpr const wchar_t* kLastUserValue = L"LastUser";

class CAccountContextController : public CSingletonT<CAccountContextController> {
public:
    // Restores the last signed-in user from the settings, then makes the run id.
    CAccountContextController();
    // Writes nothing: the settings hold what the last SaveLastLogin or ClearLogin wrote.
    virtual ~CAccountContextController();
    CAccountContextController(const CAccountContextController&) = delete;
    CAccountContextController& operator=(const CAccountContextController&) = delete;

    // Makes `info` the signed-in user and stores it ("LastLogin", "LastUser"; an equal
    // stored value is not written again).
    void SaveLastLogin(const AccountInfo& info);
    // Signs out locally: the record emptied, both values written as empty strings.
    void ClearLogin();

    // The watermark text when the "wmebl" option is on ("wmtxt" as UTF-8), else empty.
    std::string GetWatermarkText() const;

    // The signed-in user's number (0 when signed out); readable from any thread.
    uint64_t SignedInUserId() const { return signedInUid_.load(std::memory_order_acquire); }

    // The computer's name (the host name; empty when it cannot be read).
    static std::wstring GetDeviceName();
    // The device identifier the requests and events carry: a stable opaque text per
    // computer, derived from the machine's identity and never the raw system value.
    static std::wstring GetDeviceId();

    // The stored-text encoding (also used for other texts kept in the settings): each
    // byte b becomes the pair 0x6E + (b >> 4), 0x6D + (b & 15), then Base64 with CR LF
    // after every complete 76-character line. Empty in, empty out.
    static std::string EncodeStoredText(std::string_view text);
    // Base64 (up to a NUL; characters outside the alphabet skipped), then DecodePairText.
    static std::string DecodeStoredText(std::string_view stored);
    // Each pair (a, b) gives ((a + 2) * 16 + (b + 3) % 16) % 256; an odd or zero count
    // gives the empty text.
    static std::string DecodePairText(std::string_view pairs);

    // The stored form of a user record: the compact JSON object {"account", "avatar",
    // "create", "nick", "token", "type", "uid"} with a line feed, in the stored-text
    // encoding.
    static std::string AccountInfoToJson(const AccountInfo& info);
    // Reads a stored user record into `info`. False (info unchanged) when the text does
    // not decode to a JSON object; a member of the wrong kind or missing reads as 0 or
    // empty, unknown members are ignored.
    static bool AccountInfoFromJson(AccountInfo& info, std::string_view stored);

    // The run id: a random GUID as 36 lower-case characters, new for every process (empty
    // when none could be made).
    std::string runId;
    // The signed-in user; uid 0 = signed out.
    AccountInfo account;
    // The user number as last written to or read from "LastLogin"; 0 = none.
    uint64_t lastLogin = 0;

private:
    void LoadLastLogin();
    void PublishUserId() { signedInUid_.store(account.uid, std::memory_order_release); }

    std::atomic<uint64_t> signedInUid_{0};
};
