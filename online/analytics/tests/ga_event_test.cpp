// Analytics events: the members Build sets, SetField's refusals, the JSON text and the
// query form.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "core/global/global.h"
#include "online/account/account_context.h"
#include "online/analytics/ga_event.h"
#include "online/analytics/os_description.h"
#include "platform/base/utf8.h"

namespace {

using zovi::platform::WideToUtf8;

bool IsRunId(const std::string& text) {
    if (text.size() != 36) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen != (text[i] == '-')) return false;
        if (!hyphen && !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
        if (std::isupper(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
}

TEST(GAEventTest, MadeEventCarriesTheStandardMembersAndThePostersTexts) {
    auto event = MakeGAEvent("", "", "");
    CAccountContextController* context = CAccountContextController::GetInstance();
    const std::map<std::string, std::string> expected = {
        {"a", ""},
        {"c", ""},
        {"cc", WideToUtf8(GetGlobal().channel)},
        {"d", WideToUtf8(CAccountContextController::GetDeviceId())},
        {"l", ""},
        {"s", context->runId},
        {"sv", WideToUtf8(GetWindowsVersionString().description)},
        {"t", "0"},
        {"u", std::to_string(context->SignedInUserId())},
        {"v", "1.1.5"},
    };
    EXPECT_EQ(event->Fields(), expected);
    EXPECT_TRUE(IsRunId(event->Fields().at("s"))) << event->Fields().at("s");
    EXPECT_FALSE(event->Fields().at("d").empty());
    // One run id for every event of the process.
    EXPECT_EQ(MakeGAEvent("toolbar", "click", "pause")->Fields().at("s"), event->Fields().at("s"));
}

TEST(GAEventTest, SetFieldRefusesEmptyAndPresentKeys) {
    auto event = MakeGAEvent("toolbar", "click", "pause");
    const auto before = event->Fields();
    struct Case {
        std::string key, value;
    };
    for (const Case& c : std::vector<Case>{{"", "x"}, {"", ""}, {"v", "9.9.9"}, {"c", "other"}, {"s", ""}}) {
        EXPECT_FALSE(event->SetField(c.key, c.value)) << c.key;
    }
    EXPECT_EQ(event->Fields(), before);
    EXPECT_EQ(event->Fields().at("v"), "1.1.5");
    EXPECT_TRUE(event->SetField("extra", ""));
    EXPECT_EQ(event->Fields().at("extra"), "");
}

TEST(GAEventTest, SerializedTextIsTheCompactSortedObject) {
    CGAEvent event;
    // Inserted out of order: the text is sorted by key.
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"v", "1.1.5"}, {"u", "0"}, {"t", "0"}, {"sv", "Debian 12 (kernel 6.1) 64-bit"}, {"s", "run"},
             {"l", "pause"}, {"d", "dev"}, {"cc", ""}, {"c", "toolbar"}, {"a", "click"}}) {
        ASSERT_TRUE(event.SetField(key, value));
    }
    std::string text;
    ASSERT_TRUE(event.Serialize(text));
    EXPECT_EQ(text,
              "{\"a\":\"click\",\"c\":\"toolbar\",\"cc\":\"\",\"d\":\"dev\",\"l\":\"pause\",\"s\":\"run\","
              "\"sv\":\"Debian 12 (kernel 6.1) 64-bit\",\"t\":\"0\",\"u\":\"0\",\"v\":\"1.1.5\"}\n");

    // Non-ASCII texts go out escaped, and quotes and controls as JSON escapes.
    CGAEvent other;
    ASSERT_TRUE(other.SetField("l", "Zovi\xe5\xbd\x95\xe5\xb1\x8f \"q\"\n"));
    ASSERT_TRUE(other.Serialize(text));
    EXPECT_EQ(text, "{\"l\":\"Zovi\\u5f55\\u5c4f \\\"q\\\"\\n\"}\n");

    // An empty event is still an object.
    ASSERT_TRUE(CGAEvent().Serialize(text));
    EXPECT_EQ(text, "{}\n");
}

TEST(GAEventTest, QueryStringEscapesValuesAndSkipsEmptyOnes) {
    CGAEvent event;
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"a", "click"}, {"b", ""}, {"c", "two words/and%"}, {"d", "x=y"}, {"k y", "v"}}) {
        ASSERT_TRUE(event.SetField(key, value));
    }
    std::string out = "prefix:";
    EXPECT_TRUE(event.ToQueryString(out));
    EXPECT_EQ(out, "prefix:a=click&c=two%20words%2Fand%25&d=x%3Dy&k y=v");

    std::string none;
    EXPECT_TRUE(CGAEvent().ToQueryString(none));
    EXPECT_EQ(none, "");
}

}  // namespace
