// The account context as the program's start steps make it: the uploader makes it, and
// the capture history names its store after the context's signed-in user.
#include <gtest/gtest.h>

#include <string>

#include "app/account_startup.h"
#include "app/application_uploader.h"
#include "core/deferred/at_exit.h"
#include "core/options/tests/settings_store_fixture.h"
#include "engine/history/capture_history.h"
#include "online/account/account_context.h"
#include "platform/base/utf8.h"

namespace {

using zovi::engine::CCaptureHistory;

class AccountStartupTest : public SettingsStoreTest {
protected:
    void TearDown() override {
        RunAtExitList();  // the singletons go, as at the program's end
        SettingsStoreTest::TearDown();
    }
    static std::wstring HistoryName() {
        const std::wstring path = CCaptureHistory::GetInstance()->StorePath();
        return path.substr(path.find_last_of(L'/') + 1);
    }
};

TEST_F(AccountStartupTest, HistoryFollowsTheSignedInUser) {
    AccountInfo stored;
    stored.uid = 0x1FFFFFFFFull;  // the low 32 bits name the file, as a signed number
    SeedString(nullptr, kLastLoginValue, L"8589934591");
    SeedString(nullptr, kLastUserValue,
               zovi::platform::Utf8ToWide(CAccountContextController::AccountInfoToJson(stored)));

    MakeAccountContext();
    CAccountContextController* context = CAccountContextController::PeekInstance();
    ASSERT_NE(context, nullptr);
    MakeAccountContext();  // a later start step keeps the same context
    EXPECT_EQ(CAccountContextController::PeekInstance(), context);
    EXPECT_EQ(HistoryName(), L"-1.history");

    context->ClearLogin();
    EXPECT_EQ(HistoryName(), L"0.history");
    AccountInfo user;
    user.uid = 5;
    context->SaveLastLogin(user);
    EXPECT_EQ(HistoryName(), L"5.history");
}

TEST_F(AccountStartupTest, UploaderMakesTheContext) {
    ASSERT_EQ(CAccountContextController::PeekInstance(), nullptr);
    CApplicationUploader uploader;  // no package: nothing is sent
    EXPECT_FALSE(uploader.Run());
    EXPECT_NE(CAccountContextController::PeekInstance(), nullptr);
}

}  // namespace
