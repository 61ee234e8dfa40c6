#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/deferred/at_exit.h"
#include "core/deferred/on_idle.h"
#include "core/tolka/tolka_base.h"
#include "platform/window/window.h"
#include "tolka.h"

namespace {

// What the DirectUI library's SetText changes; the binding never looks inside a control.
struct TextHolder {
    std::wstring text = L"old";
};
DuiLib::CControlUI* AsControl(TextHolder* holder) { return reinterpret_cast<DuiLib::CControlUI*>(holder); }
void SetHolderText(DuiLib::CControlUI* control, const wchar_t* text) {
    reinterpret_cast<TextHolder*>(control)->text = text;
}

// Records its refills in a shared journal.
class JournalWindow : public CTolkaBase {
public:
    JournalWindow(std::vector<JournalWindow*>& journal) : journal_(journal) {}
    void ApplyStrings() override {
        journal_.push_back(this);
        CTolkaBase::ApplyStrings();
        if (onApply) onApply();
    }
    TextHolder title;
    std::function<void()> onApply;

private:
    std::vector<JournalWindow*>& journal_;
};

class TolkaBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetTolkaControlTextSetter(&SetHolderText);
        TolkaSetLang(TolkaLangEnglish);
    }
    void TearDown() override { RunAtExitList(); }
};

TEST_F(TolkaBindingTest, BindingsKeepTheLastIdAndUnknownIdsBlank) {
    std::vector<JournalWindow*> journal;
    JournalWindow window(journal);
    TextHolder screen, unknown, empty;
    window.BindControlText(AsControl(&screen), 2);
    window.BindControlText(AsControl(&screen), 3);
    window.BindControlText(AsControl(&unknown), kTolkaStringCount);
    window.BindControlText(AsControl(&empty), 0);
    TolkaSetLang(static_cast<TolkaLang>(0));  // no language: every text is empty
    window.ApplyStrings();
    EXPECT_EQ(screen.text, L"");
    TolkaSetLang(TolkaLangEnglish);
    window.ApplyStrings();
    EXPECT_EQ(screen.text, TolkaGetString(3));
    EXPECT_NE(screen.text, L"");
    EXPECT_EQ(unknown.text, L"") << "an id without text blanks the control";
    EXPECT_EQ(empty.text, TolkaGetString(0));
}

TEST_F(TolkaBindingTest, LanguageChangeRetextsEveryRegisteredObjectOnceInOrder) {
    std::vector<JournalWindow*> journal;
    auto a = std::make_unique<JournalWindow>(journal);
    auto b = std::make_unique<JournalWindow>(journal);
    auto c = std::make_unique<JournalWindow>(journal);
    for (JournalWindow* w : {a.get(), b.get(), c.get()}) {
        w->BindControlText(AsControl(&w->title), 2);
        RegisterTolkaObject(w);
    }
    EXPECT_EQ(journal, (std::vector<JournalWindow*>{a.get(), b.get(), c.get()})) << "each applies once at registration";
    EXPECT_FALSE(CTolkaHelper::GetInstance()->Add(b.get())) << "an object registers once";
    EXPECT_EQ(a->title.text, TolkaGetString(2));
    const std::wstring english = a->title.text;

    std::wstring lang = L"en-US";
    journal.clear();
    ChangeTolkaLanguage(lang, L"zh-CN");
    EXPECT_EQ(lang, L"zh-CN");
    EXPECT_TRUE(journal.empty()) << "the refill is a deferred call";
    COnIdleHandler::Run();
    EXPECT_EQ(journal, (std::vector<JournalWindow*>{a.get(), b.get(), c.get()}));
    EXPECT_NE(a->title.text, english);
    EXPECT_EQ(c->title.text, TolkaGetString(2));

    // A refill that closes a later window and opens a new one: the closed one is skipped,
    // the new one waits for the next change.
    std::unique_ptr<JournalWindow> opened;
    a->onApply = [&] {
        b.reset();
        if (!opened) {
            opened = std::make_unique<JournalWindow>(journal);
            RegisterTolkaObject(opened.get());
        }
    };
    journal.clear();
    ChangeTolkaLanguage(lang, L"en-US");
    COnIdleHandler::Run();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(journal, (std::vector<JournalWindow*>{a.get(), opened.get(), c.get()}))
        << "b is gone; the new window applied once at its registration only";
    EXPECT_EQ(c->title.text, english);
    a->onApply = nullptr;

    CTolkaBase* closed = c.get();
    EXPECT_TRUE(CTolkaHelper::GetInstance()->Contains(closed));
    c.reset();
    EXPECT_FALSE(CTolkaHelper::GetInstance()->Contains(closed)) << "a destroyed object leaves the list";
    journal.clear();
    ChangeTolkaLanguage(lang, L"zh-CN");
    COnIdleHandler::Run();
    EXPECT_EQ(journal, (std::vector<JournalWindow*>{a.get(), opened.get()})) << "a closed window is not touched";
}

TEST_F(TolkaBindingTest, LanguageCodes) {
    EXPECT_EQ(TolkaLangFromCode(L"en-US"), 2u);
    EXPECT_EQ(TolkaLangFromCode(L"zh-CN"), 1u);
    EXPECT_EQ(TolkaLangFromCode(L"EN-US"), 1u);
}

LRESULT TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(TolkaBindingTest, WindowCaptionsAndGoneWindowsAreHarmless) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = TestWindowProc;
    wc.lpszClassName = L"ZoviTolkaTestWindow";
    RegisterClassExW(&wc);
    const HWND top = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 100, 100, 0, nullptr, nullptr, nullptr);
    if (top == 0) GTEST_SKIP() << "needs an X display";
    const HWND child = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
    ASSERT_NE(child, 0u);
    std::vector<JournalWindow*> journal;
    JournalWindow window(journal);
    window.BindWindowText(top, 0);
    window.BindWindowText(child, 2);
    window.ApplyStrings();
    ASSERT_TRUE(DestroyWindow(child));
    window.ApplyStrings();  // a bound window that is gone: no X error, nothing changes
    EXPECT_TRUE(IsWindow(top));
    EXPECT_FALSE(IsWindow(child));
    DestroyWindow(top);
}

}  // namespace
