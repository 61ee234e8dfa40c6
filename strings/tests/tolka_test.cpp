#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "tolka.h"

namespace {

// One step of a scenario: select a language (when `lang` is set), then look up `id`
// and expect `text`.
struct Step {
    bool select;
    std::uint32_t lang;
    std::uint32_t id;
    const wchar_t* text;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

constexpr std::uint32_t kNone = 0;

// The library keeps one process-wide language, so the scenarios run in order in one test.
const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> scenarios = {
        {"before any language every id is empty",
         {{false, kNone, 0, L""}, {false, kNone, 33, L""}, {false, kNone, 170, L""},
          {false, kNone, 171, L""}}},
        {"ids past the table are empty in both languages",
         {{true, 2, 171, L""}, {false, kNone, 0xFFFFFFFFu, L""},
          {true, 1, 171, L""}, {false, kNone, 0xFFFFFFFFu, L""}}},
        {"language 0 or 3 after English empties every lookup; English brings them back",
         {{true, 2, 33, L"Snapshot"}, {true, 0, 33, L""}, {false, kNone, 0, L""},
          {true, 2, 33, L"Snapshot"}, {true, 3, 33, L""}, {true, 2, 33, L"Snapshot"}}},
        {"Chinese, English, Chinese",
         {{true, 1, 33, L"快照"}, {true, 2, 33, L"Snapshot"}, {true, 1, 33, L"快照"}}},
        {"ids 0 and 1 are the same in both languages",
         {{true, 1, 0, L"Zovi录屏"}, {false, kNone, 1, L"Zovi录屏"},
          {true, 2, 0, L"Zovi录屏"}, {false, kNone, 1, L"Zovi录屏"}}},
        {"id 47 in both languages",
         {{true, 2, 47, L"The file does not exist or has been deleted."},
          {true, 1, 47, L"文件不存在或被删除。"}}},
        {"gap ids have no text in either language",
         {{true, 1, 80, L""}, {false, kNone, 152, L""}, {false, kNone, 44, L""},
          {true, 2, 80, L""}, {false, kNone, 152, L""}, {false, kNone, 138, L""}}},
        {"texts stand byte for byte, typos and fullwidth marks included",
         {{true, 2, 23, L"STart recording"}, {false, kNone, 92, L"Shotcut Keys"},
          {false, kNone, 111, L"Show / Hide camea"},
          {false, kNone, 160, L"Exit the Markeup window (Esc)"},
          {false, kNone, 126, L"Bit rate："}, {false, kNone, 15, L"%s (default)"},
          {true, 1, 167, L"颜色 (Ctrl + F9"}, {false, kNone, 168, L"粗细 (Ctrl + F10"},
          {false, kNone, 34, L"保持窗口宽高比（%s）改变窗口大小"},
          {false, kNone, 106, L"当前版本:%s"}}},
    };
    return scenarios;
}

TEST(TolkaTest, LookupsFollowTheSelectedLanguage) {
    for (const Scenario& scenario : Scenarios()) {
        SCOPED_TRACE(scenario.name);
        for (const Step& step : scenario.steps) {
            if (step.select) TolkaSetLang(static_cast<TolkaLang>(step.lang));
            const wchar_t* got = TolkaGetString(step.id);
            ASSERT_NE(got, nullptr) << "id " << step.id;
            EXPECT_EQ(std::wstring(got), std::wstring(step.text)) << "id " << step.id;
        }
    }
}

TEST(TolkaTest, MultiLineTextKeepsItsCarriageReturns) {
    TolkaSetLang(TolkaLangEnglish);
    std::wstring text = TolkaGetString(19);
    EXPECT_NE(text.find(L"black screen. \r\nThis is"), std::wstring::npos);
    EXPECT_NE(text.find(L"cut off. \r\nWe need"), std::wstring::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), 2);
}

TEST(TolkaTest, PointersStayValidAcrossLanguageSwitches) {
    TolkaSetLang(TolkaLangChinese);
    const wchar_t* chinese = TolkaGetString(33);
    TolkaSetLang(TolkaLangEnglish);
    const wchar_t* english = TolkaGetString(33);
    TolkaSetLang(static_cast<TolkaLang>(0));
    EXPECT_STREQ(chinese, L"快照");
    EXPECT_STREQ(english, L"Snapshot");
    TolkaSetLang(TolkaLangEnglish);
    EXPECT_EQ(TolkaGetString(33), english);
}

TEST(TolkaTest, EveryListedIdHasTextInBothLanguages) {
    const std::vector<std::uint32_t> gaps = {44, 45, 46, 73, 74, 75, 76, 77, 78, 79, 80,
                                             137, 138, 152, 153, 154, 155, 156, 157, 158, 159};
    for (std::uint32_t lang : {TolkaLangChinese, TolkaLangEnglish}) {
        TolkaSetLang(static_cast<TolkaLang>(lang));
        int withText = 0;
        for (std::uint32_t id = 0; id < kTolkaStringCount; ++id) {
            bool isGap = std::find(gaps.begin(), gaps.end(), id) != gaps.end();
            EXPECT_EQ(*TolkaGetString(id) != L'\0', !isGap) << "lang " << lang << " id " << id;
            withText += !isGap;
        }
        EXPECT_EQ(withText, 150);
    }
}

}  // namespace
