// The account context over a real settings store: start-up from stored values, signing
// in and out, a restart (a new context over the same store), the run id and the small
// services.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "core/files/data_folder.h"
#include "core/global/global.h"
#include "core/options/tests/settings_store_fixture.h"
#include "online/account/account_context.h"
#include "platform/base/utf8.h"

namespace {

using Context = CAccountContextController;
using zovi::platform::RegistryValueWriteCount;
using zovi::platform::Utf8ToWide;

class AccountContextTest : public SettingsStoreTest {
protected:
    // The stored value, or "<missing>".
    static std::wstring Stored(const wchar_t* name) {
        std::wstring value = L"<missing>";
        ReadRegString(value, name, nullptr);
        return value;
    }
    static void SeedUser(const std::string& json) {
        SeedString(nullptr, kLastUserValue, Utf8ToWide(Context::EncodeStoredText(json)));
    }
};

AccountInfo SampleUser(uint64_t uid) {
    AccountInfo info;
    info.uid = uid;
    info.account = L"user@example.com";
    info.type = 2;
    info.nick = L"昵称";
    info.avatar = L"https://example.com/a.png";
    info.token = L"";
    info.create = 1600000000123;
    return info;
}

TEST_F(AccountContextTest, FirstStartIsSignedOutAndWritesNothing) {
    const auto writes = RegistryValueWriteCount();
    Context context;
    EXPECT_EQ(context.account, AccountInfo());
    EXPECT_EQ(context.lastLogin, 0u);
    EXPECT_EQ(context.SignedInUserId(), 0u);
    EXPECT_EQ(RegistryValueWriteCount(), writes);
    EXPECT_EQ(StoredType(nullptr, kLastLoginValue), REG_NONE);
    EXPECT_EQ(StoredType(nullptr, kLastUserValue), REG_NONE);
}

TEST_F(AccountContextTest, StartUpRestoresOnlyAMatchingSoundRecord) {
    const std::string user42 =
        "{\"account\":\"user@example.com\",\"avatar\":\"https://example.com/a.png\",\"create\":1600000000123,"
        "\"nick\":\"昵称\",\"token\":\"\",\"type\":2,\"uid\":42}\n";
    struct Case {
        const char* what;
        const wchar_t* lastLogin;  // null: not stored
        std::string lastUser;      // JSON text to encode; "-" not stored; "=" stored as is
        std::wstring rawUser;
        uint64_t uid;              // signed in as, 0 = signed out
        bool cleared;              // both values rewritten as ""
    } cases[] = {
        {"matching record", L"42", user42, L"", 42, false},
        {"number with white space and sign", L"  +42", user42, L"", 42, false},
        {"another user", L"43", user42, L"", 0, true},
        {"no user record", L"42", "-", L"", 0, true},
        {"odd pair count", L"42", "=", L"dA==", 0, true},
        {"not JSON", L"42", "not json", L"", 0, true},
        {"root not an object", L"42", "[42]\n", L"", 0, true},
        {"uid as text", L"42", "{\"uid\":\"42\"}\n", L"", 0, true},
        {"negative uid", L"42", "{\"uid\":-42}\n", L"", 0, true},
        {"uid as a fraction", L"42", "{\"uid\":42.5}\n", L"", 0, true},
        {"number beyond the range", L"99999999999999999999", "{\"uid\":9223372036854775807}\n", L"",
         9223372036854775807ull, false},
        {"no number", L"abc", user42, L"", 0, false},
        {"zero", L"0", user42, L"", 0, false},
        {"empty (signed out before)", L"", "", L"", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (c.lastLogin) SeedString(nullptr, kLastLoginValue, c.lastLogin);
        if (c.lastUser == "=") {
            SeedString(nullptr, kLastUserValue, c.rawUser);
        } else if (c.lastUser != "-") {
            SeedUser(c.lastUser);
        }
        const std::wstring loginBefore = Stored(kLastLoginValue), userBefore = Stored(kLastUserValue);
        Context context;
        EXPECT_EQ(context.account.uid, c.uid);
        EXPECT_EQ(context.SignedInUserId(), c.uid);
        EXPECT_EQ(context.lastLogin, c.uid);
        if (c.cleared) {
            EXPECT_EQ(context.account, AccountInfo());
            EXPECT_EQ(Stored(kLastLoginValue), L"");
            EXPECT_EQ(Stored(kLastUserValue), L"");
        } else {
            EXPECT_EQ(Stored(kLastLoginValue), loginBefore);
            EXPECT_EQ(Stored(kLastUserValue), userBefore);
        }
    }
    // The whole record comes back.
    TearDown();
    SetUp();
    SeedString(nullptr, kLastLoginValue, L"42");
    SeedUser(user42);
    EXPECT_EQ(Context().account, SampleUser(42));
}

TEST_F(AccountContextTest, MembersOfTheWrongKindReadAsEmpty) {
    SeedString(nullptr, kLastLoginValue, L"5");
    SeedUser("{\"account\":7,\"avatar\":[],\"create\":\"x\",\"nick\":{},\"token\":null,\"type\":-1,"
             "\"uid\":5,\"extra\":1}\n");
    Context context;
    AccountInfo expected;
    expected.uid = 5;
    EXPECT_EQ(context.account, expected);
    EXPECT_EQ(Stored(kLastLoginValue), L"5");
}

TEST_F(AccountContextTest, SignInIsStoredOnceAndSurvivesARestart) {
    const AccountInfo user = SampleUser(7);
    {
        Context context;
        const auto writes = RegistryValueWriteCount();
        context.SaveLastLogin(user);
        EXPECT_EQ(RegistryValueWriteCount(), writes + 2);
        context.SaveLastLogin(user);  // equal values are not written again
        EXPECT_EQ(RegistryValueWriteCount(), writes + 2);
        EXPECT_EQ(context.account, user);
        EXPECT_EQ(context.lastLogin, 7u);
        EXPECT_EQ(context.SignedInUserId(), 7u);
    }
    EXPECT_EQ(Stored(kLastLoginValue), L"7");
    const std::string stored = zovi::platform::WideToUtf8(Stored(kLastUserValue));
    EXPECT_EQ(Context::DecodeStoredText(stored),
              "{\"account\":\"user@example.com\",\"avatar\":\"https://example.com/a.png\","
              "\"create\":1600000000123,\"nick\":\"昵称\",\"token\":\"\",\"type\":2,\"uid\":7}\n");

    Context restarted;
    EXPECT_EQ(restarted.account, user);
    EXPECT_EQ(restarted.SignedInUserId(), 7u);
    // A 64-bit user number keeps all its bits.
    restarted.SaveLastLogin(SampleUser(0x1FFFFFFFFull));
    EXPECT_EQ(Context().account.uid, 0x1FFFFFFFFull);
}

TEST_F(AccountContextTest, SignOutLeavesBothValuesPresentAndEmpty) {
    Context context;
    context.SaveLastLogin(SampleUser(9));
    context.ClearLogin();
    EXPECT_EQ(context.account, AccountInfo());
    EXPECT_EQ(context.lastLogin, 0u);
    EXPECT_EQ(context.SignedInUserId(), 0u);
    EXPECT_EQ(StoredType(nullptr, kLastLoginValue), REG_SZ);
    EXPECT_EQ(StoredType(nullptr, kLastUserValue), REG_SZ);
    EXPECT_EQ(Stored(kLastLoginValue), L"");
    EXPECT_EQ(Stored(kLastUserValue), L"");
    const auto writes = RegistryValueWriteCount();
    EXPECT_EQ(Context().account, AccountInfo());
    EXPECT_EQ(RegistryValueWriteCount(), writes);
}

TEST_F(AccountContextTest, RunIdIsANewLowerCaseGuidPerContext) {
    std::set<std::string> seen;
    for (int i = 0; i < 3; ++i) {
        const std::string id = Context().runId;
        ASSERT_EQ(id.size(), 36u) << id;
        for (size_t at = 0; at < id.size(); ++at) {
            if (at == 8 || at == 13 || at == 18 || at == 23) {
                EXPECT_EQ(id[at], '-') << id;
            } else {
                EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(id[at])) && !std::isupper(id[at])) << id;
            }
        }
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(AccountContextTest, WatermarkTextFollowsTheSwitch) {
    COptions& options = GetGlobal();
    const DWORD onBefore = options.overlayTextOn;
    const std::wstring textBefore = options.overlayText;
    options.overlayText = L"Zovi录屏 watermark";
    options.overlayTextOn = 0;
    EXPECT_EQ(Context().GetWatermarkText(), "");
    options.overlayTextOn = 1;
    EXPECT_EQ(Context().GetWatermarkText(), "Zovi录屏 watermark");
    options.overlayTextOn = onBefore;
    options.overlayText = textBefore;
}

TEST_F(AccountContextTest, DeviceNameAndIdentifier) {
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof(host) - 1), 0);
    EXPECT_EQ(Context::GetDeviceName(), Utf8ToWide(host));

    const std::wstring id = Context::GetDeviceId();
    EXPECT_FALSE(id.empty());
    EXPECT_EQ(id, GetVolumeDeviceId());
    EXPECT_EQ(Context::GetDeviceId(), id);
    std::string machineId;
    if (std::ifstream file("/etc/machine-id"); file && std::getline(file, machineId) && !machineId.empty()) {
        EXPECT_EQ(id.find(Utf8ToWide(machineId)), std::wstring::npos) << "never the raw machine id";
    }
}

TEST_F(AccountContextTest, SignedInUserIdIsReadableWhileTheUserChanges) {
    Context context;
    std::atomic<bool> done{false};
    std::set<uint64_t> seen;
    std::thread reader([&] {
        while (!done.load()) seen.insert(context.SignedInUserId());
        seen.insert(context.SignedInUserId());
    });
    for (uint64_t uid : {11u, 12u}) {
        context.SaveLastLogin(SampleUser(uid));
        context.ClearLogin();
    }
    context.SaveLastLogin(SampleUser(12));
    done = true;
    reader.join();
    for (uint64_t uid : seen) EXPECT_TRUE(uid == 0 || uid == 11 || uid == 12) << uid;
    EXPECT_EQ(seen.count(12), 1u);
}

}  // namespace
