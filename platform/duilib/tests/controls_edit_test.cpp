// The edit: its text model (insert over the selection, deletes, word bounds, number-only,
// maximum length), its notification rules, typing and keys through the paint manager,
// the clipboard on an offscreen window (paste, refused paste, password copy), and what
// it paints (tip text, Chinese, password dots, caret, selection), kept as a PNG.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <string>
#include <vector>

#include "platform/duilib/controls/edit.h"
#include "platform/duilib/controls/edit_text.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/recording_notifier.h"
#include "platform/duilib/test/window_input.h"
#include "platform/duilib/tests/controls_test_support.h"
#include "platform/duilib/tests/notify_rules.h"
#include "platform/duilib/tests/window_test_window.h"
#include "platform/window/clipboard.h"
#include "platform/window/window.h"

namespace DuiLib::test {
namespace {

using Lines = std::vector<std::wstring>;

// ---------------------------------------------------------------- the text model

struct ModelCase {
    const char* name;
    const wchar_t* text;
    size_t anchor, caret;
    bool numberOnly;
    size_t maxLength;
    enum Op { Insert, Backspace, Delete, DeleteSelection } op;
    const wchar_t* insert;
    const wchar_t* expectedText;
    size_t expectedCaret;
    bool changed;
};

TEST(EditTextTest, EditsTable) {
    const ModelCase cases[] = {
        {"insert at the caret", L"held", 2, 2, false, 0, ModelCase::Insert, L"XY", L"heXYld", 4, true},
        {"insert replaces the selection", L"hello world", 0, 5, false, 0, ModelCase::Insert, L"bye", L"bye world", 3, true},
        {"a backwards selection is the same", L"hello world", 5, 0, false, 0, ModelCase::Insert, L"bye", L"bye world", 3, true},
        {"backspace deletes before the caret", L"abc", 2, 2, false, 0, ModelCase::Backspace, nullptr, L"ac", 1, true},
        {"backspace at the start changes nothing", L"abc", 0, 0, false, 0, ModelCase::Backspace, nullptr, L"abc", 0, false},
        {"backspace deletes a selection", L"abcdef", 4, 1, false, 0, ModelCase::Backspace, nullptr, L"aef", 1, true},
        {"delete removes after the caret", L"abc", 1, 1, false, 0, ModelCase::Delete, nullptr, L"ac", 1, true},
        {"delete at the end changes nothing", L"abc", 3, 3, false, 0, ModelCase::Delete, nullptr, L"abc", 3, false},
        {"delete removes a selection", L"录屏设置", 1, 3, false, 0, ModelCase::Delete, nullptr, L"录置", 1, true},
        {"cut without a selection changes nothing", L"abc", 1, 1, false, 0, ModelCase::DeleteSelection, nullptr, L"abc", 1, false},
        {"number-only takes digits", L"12", 2, 2, true, 0, ModelCase::Insert, L"345", L"12345", 5, true},
        {"number-only refuses a letter", L"12", 2, 2, true, 0, ModelCase::Insert, L"a", L"12", 2, false},
        {"number-only refuses a mixed text whole", L"12", 1, 1, true, 0, ModelCase::Insert, L"3a4", L"12", 1, false},
        {"number-only refuses full-width digits", L"", 0, 0, true, 0, ModelCase::Insert, L"１２", L"", 0, false},
        {"max length cuts an insert", L"abc", 3, 3, false, 5, ModelCase::Insert, L"defg", L"abcde", 5, true},
        {"max length full refuses", L"abcde", 5, 5, false, 5, ModelCase::Insert, L"f", L"abcde", 5, false},
        {"max length counts the room a selection frees", L"abcde", 1, 4, false, 5, ModelCase::Insert, L"XYZW", L"aXYZe", 4, true},
        {"text over the limit set by code: nothing fits, selection stays", L"abcdefg", 0, 2, false, 5,
         ModelCase::Insert, L"X", L"abcdefg", 2, false},
        {"empty insert changes nothing", L"abc", 1, 1, false, 0, ModelCase::Insert, L"", L"abc", 1, false},
    };
    for (const ModelCase& c : cases) {
        SCOPED_TRACE(c.name);
        CEditText model;
        model.SetText(c.text);
        model.Select(c.anchor, c.caret);
        model.SetNumberOnly(c.numberOnly);
        model.SetMaxLength(c.maxLength);
        bool changed = false;
        switch (c.op) {
            case ModelCase::Insert: changed = model.Insert(c.insert); break;
            case ModelCase::Backspace: changed = model.Backspace(); break;
            case ModelCase::Delete: changed = model.Delete(); break;
            case ModelCase::DeleteSelection: changed = model.DeleteSelection(); break;
        }
        EXPECT_EQ(model.Text(), c.expectedText);
        EXPECT_EQ(model.Caret(), c.expectedCaret);
        EXPECT_EQ(model.HasSelection(), !changed && c.anchor != c.caret);
        EXPECT_EQ(changed, c.changed);
    }
}

TEST(EditTextTest, WordBoundsAndMoves) {
    CEditText model;
    model.SetText(L"save to 录屏目录, now_42!");
    struct WordCase {
        size_t index;
        std::wstring word;
    };
    const WordCase words[] = {{0, L"save"}, {2, L"save"}, {4, L"save"}, {5, L"to"}, {9, L"录屏目录"},
                              {13, L""}, {16, L"now_42"}, {20, L"now_42"}, {99, L""}};
    for (const WordCase& w : words) {
        size_t begin = 0, end = 0;
        model.WordBounds(w.index, &begin, &end);
        EXPECT_EQ(model.Text().substr(begin, end - begin), w.word) << "at " << w.index;
    }
    // A double click on a space selects the spaces; on punctuation just that character.
    model.SelectWordAt(4);
    EXPECT_EQ(model.SelectedText(), L" ");
    model.SelectWordAt(12);
    EXPECT_EQ(model.SelectedText(), L",");
    model.SelectWordAt(100);
    EXPECT_EQ(model.SelectedText(), L"!");

    // Ctrl+arrows jump word by word; plain arrows collapse a selection to its edge.
    model.MoveTo(0, false);
    model.MoveRight(false, true);
    EXPECT_EQ(model.Caret(), 4u);
    model.MoveRight(true, true);
    EXPECT_EQ(model.SelectedText(), L" to");
    model.MoveLeft(false, false);
    EXPECT_EQ(model.Caret(), 4u);
    EXPECT_FALSE(model.HasSelection());
    model.MoveEnd(false);
    model.MoveLeft(false, true);
    EXPECT_EQ(model.Caret(), 14u);
    model.MoveHome(true);
    EXPECT_EQ(model.SelStart(), 0u);
    EXPECT_EQ(model.SelEnd(), 14u);
}

// ---------------------------------------------------------------- through the paint manager

constexpr const wchar_t* kEditLayout = LR"(<Window size="300,200" bkcolor="#FFFFFFFF"><VerticalLayout name="root" inset="10,10,10,10" childpadding="6">
  <Edit name="E" height="28"/>
  <Edit name="N" height="28" numberonly="true" maxchar="4"/>
  <Edit name="R" height="28" readonly="true" text="fixed"/>
  <Control/>
</VerticalLayout></Window>)";

CEditUI* EditOf(CPaintManagerUI& pm, const wchar_t* name) {
    return static_cast<CEditUI*>(pm.FindControl(name)->GetInterface(L"Edit"));
}

void Focus(CPaintManagerUI& pm, const wchar_t* name) { ClickAt(pm, CentreOf(pm.FindControl(name)->GetPos())); }

void TypeChars(CPaintManagerUI& pm, const wchar_t* text) {
    for (const wchar_t* c = text; *c; ++c) Char(pm, *c);
}

TEST(ControlsEditTest, NotifyRulesTable) {
    const std::vector<NotifyRow> rows = {
        {"19 SetText by code", Nothing, [](auto& pm) { EditOf(pm, L"E")->SetText(L"x"); }, {},
         [](auto& pm) { EXPECT_EQ(EditOf(pm, L"E")->GetText(), L"x"); }},
        {"20 typing two characters", [](auto& pm) { Focus(pm, L"E"); }, [](auto& pm) { TypeChars(pm, L"ab"); },
         {L"textchanged:E", L"textchanged:E"}, [](auto& pm) { EXPECT_EQ(EditOf(pm, L"E")->GetText(), L"ab"); }},
        {"21 Enter while focused", [](auto& pm) { Focus(pm, L"E"); },
         [](auto& pm) {
             // The edit leaves Enter to the window, whose default handling raises "return".
             EXPECT_FALSE(Send(pm, WM_KEYDOWN, VK_RETURN, 1));
             Char(pm, L'\r');
             pm.HandleReturnKey();
         },
         {L"return:E"}, [](auto& pm) { EXPECT_EQ(EditOf(pm, L"E")->GetText(), L""); }},
        {"input-method commit: one change per committed character", [](auto& pm) { Focus(pm, L"E"); },
         [](auto& pm) { TypeChars(pm, L"录屏"); }, {L"textchanged:E", L"textchanged:E"},
         [](auto& pm) { EXPECT_EQ(EditOf(pm, L"E")->GetText(), L"录屏"); }},
        {"refused keys: Backspace and Delete on an empty edit", [](auto& pm) { Focus(pm, L"E"); },
         [](auto& pm) {
             Key(pm, VK_BACK);
             Char(pm, L'\b');
             Key(pm, VK_DELETE);
             Key(pm, VK_LEFT);
         },
         {}, Nothing},
        {"number-only refuses a typed letter, takes digits up to its length",
         [](auto& pm) { Focus(pm, L"N"); }, [](auto& pm) { TypeChars(pm, L"1a2345"); },
         {L"textchanged:N", L"textchanged:N", L"textchanged:N", L"textchanged:N"},
         [](auto& pm) { EXPECT_EQ(EditOf(pm, L"N")->GetText(), L"1234"); }},
        {"read-only refuses typing and deleting", [](auto& pm) { Focus(pm, L"R"); },
         [](auto& pm) {
             TypeChars(pm, L"zz");
             Key(pm, VK_BACK);
             Key(pm, VK_HOME);
             Key(pm, VK_DELETE);
         },
         {}, [](auto& pm) { EXPECT_EQ(EditOf(pm, L"R")->GetText(), L"fixed"); }},
        {"Backspace and Delete after typing: one each", [](auto& pm) { Focus(pm, L"E"); EditOf(pm, L"E")->SetText(L"abc"); },
         [](auto& pm) {
             Key(pm, VK_END);
             Key(pm, VK_BACK);
             Key(pm, VK_HOME);
             Key(pm, VK_DELETE);
         },
         {L"textchanged:E", L"textchanged:E"}, [](auto& pm) { EXPECT_EQ(EditOf(pm, L"E")->GetText(), L"b"); }},
        {"control characters and Ctrl combinations are not text", [](auto& pm) { Focus(pm, L"E"); },
         [](auto& pm) {
             Char(pm, L'\t');
             Char(pm, 0x1B);
             Char(pm, 0x7F);
         },
         {}, [](auto& pm) { EXPECT_EQ(EditOf(pm, L"E")->GetText(), L""); }},
        {"SetSel, SetSelAll, SetReadOnly, SetMaxChar by code", Nothing,
         [](auto& pm) {
             CEditUI* edit = EditOf(pm, L"E");
             edit->SetText(L"hello");
             edit->SetSel(1, 3);
             edit->SetSelAll();
             edit->SetReadOnly(false);
             edit->SetMaxChar(2);
             edit->SetPasswordMode(false);
         },
         {}, [](auto& pm) { EXPECT_EQ(EditOf(pm, L"E")->GetText(), L"hello"); }},
    };
    RunNotifyRows(kEditLayout, 300, 200, rows);
}

TEST(ControlsEditTest, KeysMoveTheCaretAndSelectAndTypingReplacesTheSelection) {
    auto pm = BuildManager(kEditLayout, 300, 200);
    CEditUI* edit = EditOf(*pm, L"E");
    Focus(*pm, L"E");
    TypeChars(*pm, L"hello world");
    EXPECT_EQ(edit->GetCaretIndex(), 11);
    // Shift+Home selects back to the start; typing replaces the selection.
    BYTE keys[256] = {};
    keys[VK_SHIFT] = 0x80;
    ::SetKeyboardState(keys);
    Key(*pm, VK_LEFT);
    Key(*pm, VK_LEFT);
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
    EXPECT_EQ(edit->GetSelText(), L"ld");
    Char(*pm, L'L');
    EXPECT_EQ(edit->GetText(), L"hello worL");
    // Ctrl+A selects everything; Ctrl's character is not typed.
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    Send(*pm, WM_KEYDOWN, 'A', 1);
    Char(*pm, L'a');
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    long start = -1, end = -1;
    edit->GetSel(start, end);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 10);
    EXPECT_EQ(edit->GetText(), L"hello worL");
    Key(*pm, VK_BACK);
    EXPECT_EQ(edit->GetText(), L"");
    EXPECT_EQ(edit->GetControlFlags(), UIFLAG_TABSTOP | UIFLAG_SETCURSOR);
    edit->SetEnabled(false);
    EXPECT_EQ(edit->GetControlFlags(), 0u);
}

TEST(ControlsEditTest, MouseClickPlacesTheCaretDragSelectsDoubleClickSelectsAWord) {
    auto pm = BuildManager(kEditLayout, 300, 200);
    CEditUI* edit = EditOf(*pm, L"E");
    edit->SetText(L"alpha beta gamma");
    const RECT rc = edit->GetPos();
    const int y = (rc.top + rc.bottom) / 2;
    // A press at the far left puts the caret first; at the far right, last.
    ClickAt(*pm, POINT{rc.left + 2, y});
    EXPECT_EQ(edit->GetCaretIndex(), 0);
    ClickAt(*pm, POINT{rc.right - 2, y});
    EXPECT_EQ(edit->GetCaretIndex(), 16);
    // A drag from the left edge to beyond the right edge selects everything.
    MouseMove(*pm, POINT{rc.left + 2, y});
    LButtonDown(*pm, POINT{rc.left + 2, y});
    MouseMove(*pm, POINT{rc.right + 40, y});
    LButtonUp(*pm, POINT{rc.right + 40, y});
    EXPECT_EQ(edit->GetSelText(), L"alpha beta gamma");
    // A double click in the first word selects it.
    DoubleClick(*pm, POINT{rc.left + 12, y});
    EXPECT_EQ(edit->GetSelText(), L"alpha");
}

// ---------------------------------------------------------------- clipboard on a window

constexpr DWORD kDialog = UI_WNDSTYLE_DIALOG & ~WS_VISIBLE;

constexpr const wchar_t* kClipLayout = LR"(<Window size="300,160" bkcolor="#FFFFFFFF"><VerticalLayout inset="10,10,10,10" childpadding="6">
  <Edit name="E" height="28"/>
  <Edit name="N" height="28" numberonly="true"/>
  <Edit name="P" height="28" password="true"/>
  <Control/>
</VerticalLayout></Window>)";

class EditClipboardTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(window.Create(0, L"", kDialog, 0, 0, 0, 0, 0), 0u);
        window.ShowWindow(true, false);
        window.GetPaintManager().AddNotifier(&log);
        PumpUntilIdle();
    }
    void TearDown() override {
        window.GetPaintManager().RemoveNotifier(&log);
        if (::IsWindow(window)) ::DestroyWindow(window);
        PumpUntilIdle();
    }
    CEditUI* Edit(const wchar_t* name) { return static_cast<CEditUI*>(window.Find(name)->GetInterface(L"Edit")); }
    // Ctrl (or Shift) held around one key.
    void Chord(UINT modifier, UINT vk) {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[modifier] = 0x80;
        ::SetKeyboardState(keys);
        Key(window, vk);
        keys[modifier] = 0;
        ::SetKeyboardState(keys);
    }
    // Dispatches until `condition` holds (paste answers come from the loop a little later).
    static bool PumpUntil(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            PumpUntilIdle();
            if (condition()) return true;
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    // The clipboard's text as another reader sees it. Answers come in the order asked, so
    // once this one is in, the edit's earlier paste has been answered too.
    std::optional<std::wstring> ClipboardText() {
        struct Answer {
            std::optional<std::wstring> text;
            bool done = false;
        };
        auto answer = std::make_shared<Answer>();
        if (!zovi::platform::RequestClipboardText(window, [answer](std::optional<std::wstring> t) {
                answer->text = std::move(t);
                answer->done = true;
            })) {
            return std::nullopt;
        }
        PumpUntil([&] { return answer->done; });
        return answer->text;
    }

    CTestWindow window{kClipLayout, L"DuiEditClipboardTest"};
    CRecordingNotifier log;
};

TEST_F(EditClipboardTest, CopyCutAndPaste) {
    ASSERT_TRUE(Click(window, L"E"));
    Type(window, L"copy me");
    log.Clear();
    Chord(VK_CONTROL, 'A');
    Chord(VK_CONTROL, 'C');
    EXPECT_EQ(ClipboardText().value_or(L"(none)"), L"copy me");
    Chord(VK_CONTROL, 'X');
    EXPECT_EQ(Edit(L"E")->GetText(), L"");
    EXPECT_EQ(log.Lines(), Lines{L"textchanged:E"});
    log.Clear();
    Chord(VK_CONTROL, 'V');
    ASSERT_TRUE(PumpUntil([&] { return Edit(L"E")->GetText() == L"copy me"; }));
    Chord(VK_SHIFT, 0x2D);  // Shift+Insert pastes too
    ASSERT_TRUE(PumpUntil([&] { return Edit(L"E")->GetText() == L"copy mecopy me"; }));
    EXPECT_EQ(log.Lines(), (Lines{L"textchanged:E", L"textchanged:E"}));
}

TEST_F(EditClipboardTest, NumberOnlyRefusesAPasteWithLettersWhole) {
    ASSERT_TRUE(Click(window, L"N"));
    log.Clear();
    ASSERT_TRUE(zovi::platform::SetClipboardText(window, L"12a"));
    Chord(VK_CONTROL, 'V');
    EXPECT_EQ(ClipboardText().value_or(L""), L"12a");  // the edit's answer came before
    EXPECT_EQ(Edit(L"N")->GetText(), L"");
    EXPECT_TRUE(log.entries.empty());
    // A pasted line break ends what is taken.
    ASSERT_TRUE(zovi::platform::SetClipboardText(window, L"2026\nabc"));
    Chord(VK_CONTROL, 'V');
    ASSERT_TRUE(PumpUntil([&] { return Edit(L"N")->GetText() == L"2026"; }));
    EXPECT_EQ(log.Lines(), Lines{L"textchanged:N"});
}

TEST_F(EditClipboardTest, PasswordShowsDotsKeepsTheTextAndRefusesCopyAndCut) {
    ASSERT_TRUE(Click(window, L"P"));
    Type(window, L"s3cret");
    EXPECT_EQ(Edit(L"P")->GetText(), L"s3cret");
    ASSERT_TRUE(zovi::platform::SetClipboardText(window, L"before"));
    log.Clear();
    Chord(VK_CONTROL, 'A');
    Chord(VK_CONTROL, 'C');
    Chord(VK_CONTROL, 'X');
    Chord(VK_SHIFT, VK_DELETE);
    EXPECT_EQ(ClipboardText().value_or(L"(none)"), L"before");
    EXPECT_EQ(Edit(L"P")->GetText(), L"s3cret");
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(Edit(L"P")->GetPasswordChar(), wchar_t(0x25CF));
}

TEST_F(EditClipboardTest, APasteAnsweredAfterTheFocusMovedIsDropped) {
    ASSERT_TRUE(Click(window, L"E"));
    ASSERT_TRUE(zovi::platform::SetClipboardText(window, L"late"));
    // The request goes out; before the loop answers it, the focus moves on.
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    LRESULT result = 0;
    window.GetPaintManager().MessageHandler(WM_KEYDOWN, 'V', 1, result);
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    window.GetPaintManager().SetFocus(Edit(L"N"));
    EXPECT_EQ(ClipboardText().value_or(L""), L"late");
    EXPECT_EQ(Edit(L"E")->GetText(), L"");
    EXPECT_EQ(Edit(L"N")->GetText(), L"");
}

TEST_F(EditClipboardTest, APasteAnsweredAfterTheEditIsGoneIsDropped) {
    auto other = std::make_unique<CTestWindow>(kClipLayout, L"DuiEditClipboardGone");
    ASSERT_NE(other->Create(0, L"", kDialog, 0, 0, 0, 0, 0), 0u);
    other->ShowWindow(true, false);
    PumpUntilIdle();
    ASSERT_TRUE(Click(*other, L"E"));
    ASSERT_TRUE(zovi::platform::SetClipboardText(window, L"orphan"));
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    LRESULT result = 0;
    other->GetPaintManager().MessageHandler(WM_KEYDOWN, 'V', 1, result);
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    // The window and its controls go before the answer comes (AddressSanitizer watches).
    ::DestroyWindow(*other);
    other.reset();
    EXPECT_EQ(ClipboardText().value_or(L""), L"orphan");
    PumpUntilIdle();
}

// ---------------------------------------------------------------- painting

constexpr const wchar_t* kPaintLayout = LR"(<Window size="320,260" bkcolor="#FFFFFFFF"><VerticalLayout inset="10,10,10,10" childpadding="8">
  <Edit name="tip" height="30" font="2" tipvalue="请输入账号 Account"/>
  <Edit name="typed" height="30" font="2" text="Typed text 文字"/>
  <Edit name="selected" height="30" font="2" text="select this"/>
  <Edit name="password" height="30" font="2" password="true" text="secret"/>
  <Edit name="chinese" height="30" font="2" text="录屏保存目录"/>
  <HorizontalLayout height="30" childpadding="8">
    <Edit name="long" font="2" width="120" text="a long line that scrolls to its end"/>
    <Edit name="page" font="2" width="60" align="center" numberonly="true" text="7"/>
    <Edit name="right" font="2" width="100" align="right" tipvalue="右 tip"/>
  </HorizontalLayout>
  <Control/>
</VerticalLayout></Window>)";

RECT Inner(const RECT& rc) { return RECT{rc.left + 2, rc.top + 2, rc.right - 2, rc.bottom - 2}; }

int CountColour(cairo_surface_t* surface, const RECT& rc, uint32_t rgb, int tolerance) {
    int count = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            const uint32_t p = PixelAt(surface, x, y);
            const int dr = static_cast<int>((p >> 16) & 0xFF) - static_cast<int>((rgb >> 16) & 0xFF);
            const int dg = static_cast<int>((p >> 8) & 0xFF) - static_cast<int>((rgb >> 8) & 0xFF);
            const int db = static_cast<int>(p & 0xFF) - static_cast<int>(rgb & 0xFF);
            if (std::abs(dr) <= tolerance && std::abs(dg) <= tolerance && std::abs(db) <= tolerance) ++count;
        }
    }
    return count;
}

TEST(ControlsEditPaintTest, TipChineseDotsSelectionCaretAndScrolling) {
    auto pm = BuildManager(kPaintLayout, 320, 260);
    auto rectOf = [&](const wchar_t* name) { return pm->FindControl(name)->GetPos(); };
    SurfacePtr before = RenderToSurface(*pm, 320, 260);
    SaveArtefact(before.get(), "controls_edit_unfocused");

    // The tip text in grey while empty; no text colour there.
    EXPECT_GT(CountColour(before.get(), Inner(rectOf(L"tip")), 0x999999, 24), 20);
    // Chinese set by code renders (dark pixels inside the box).
    EXPECT_GT(CountColour(before.get(), Inner(rectOf(L"chinese")), 0x333333, 60), 40);
    // The border: grey while unfocused.
    const RECT typed = rectOf(L"typed");
    EXPECT_EQ(PixelAt(before.get(), typed.left, typed.top + 10), 0xFFA7A6AAu);
    // Password: the dots of "secret" cover as much as six dots in a plain edit do.
    EXPECT_EQ(static_cast<CEditUI*>(pm->FindControl(L"password"))->GetText(), L"secret");
    const int dots = CountPixelsUnlike(before.get(), Inner(rectOf(L"password")), 0xFFFFFF);
    static_cast<CEditUI*>(pm->FindControl(L"password"))->SetPasswordMode(false);
    static_cast<CEditUI*>(pm->FindControl(L"password"))->SetText(L"●●●●●●");
    SurfacePtr plainDots = RenderToSurface(*pm, 320, 260);
    EXPECT_EQ(dots, CountPixelsUnlike(plainDots.get(), Inner(rectOf(L"password")), 0xFFFFFF));
    static_cast<CEditUI*>(pm->FindControl(L"password"))->SetText(L"secret");
    static_cast<CEditUI*>(pm->FindControl(L"password"))->SetPasswordMode(true);

    // Focus on the empty tip edit: the caret appears at the start, the border turns accent.
    const RECT tip = rectOf(L"tip");
    const RECT caretColumn{tip.left + 4, tip.top + 4, tip.left + 5, tip.bottom - 4};
    EXPECT_EQ(CountColour(before.get(), caretColumn, 0x333333, 40), 0);
    ClickAt(*pm, CentreOf(tip));
    SurfacePtr focused = RenderToSurface(*pm, 320, 260);
    EXPECT_GT(CountColour(focused.get(), caretColumn, 0x333333, 40), 8);
    EXPECT_EQ(PixelAt(focused.get(), tip.left, tip.top + 10), 0xFF2B8CF4u);
    // The caret blinks with the library's timer: the next tick hides it.
    auto* tipEdit = static_cast<CEditUI*>(pm->FindControl(L"tip"));
    TEventUI tick;
    tick.Type = UIEVENT_TIMER;
    tick.wParam = 1;
    tipEdit->DoEvent(tick);
    SurfacePtr blinked = RenderToSurface(*pm, 320, 260);
    EXPECT_EQ(CountColour(blinked.get(), caretColumn, 0x333333, 40), 0);

    // A selection paints the accent behind white text.
    auto* selected = static_cast<CEditUI*>(pm->FindControl(L"selected"));
    ClickAt(*pm, CentreOf(rectOf(L"selected")));
    selected->SetSel(0, 6);
    // A long text with the caret at its end is scrolled: its end shows, its start does not.
    auto* longEdit = static_cast<CEditUI*>(pm->FindControl(L"long"));
    SurfacePtr selection = RenderToSurface(*pm, 320, 260);
    // White glyph pixels inside the accent block.
    const RECT selBox = rectOf(L"selected");
    RECT accent{selBox.right, selBox.bottom, selBox.left, selBox.top};
    for (int y = selBox.top + 2; y < selBox.bottom - 2; ++y) {
        for (int x = selBox.left + 2; x < selBox.right - 2; ++x) {
            if (CountColour(selection.get(), RECT{x, y, x + 1, y + 1}, 0x2B8CF4, 8) == 0) continue;
            accent = RECT{std::min(accent.left, LONG(x)), std::min(accent.top, LONG(y)), std::max(accent.right, LONG(x + 1)),
                          std::max(accent.bottom, LONG(y + 1))};
        }
    }
    EXPECT_GT(CountColour(selection.get(), accent, 0x2B8CF4, 8), 60);
    EXPECT_GT(CountColour(selection.get(), accent, 0xFFFFFF, 40), 10);
    EXPECT_LT(accent.right - accent.left, (selBox.right - selBox.left) / 2) << "only \"select\" is selected";
    ClickAt(*pm, CentreOf(rectOf(L"long")));
    BYTE keys[256] = {};
    ::SetKeyboardState(keys);
    Key(*pm, VK_END);
    EXPECT_EQ(longEdit->GetCaretIndex(), static_cast<long>(longEdit->GetText().GetLength()));
    SurfacePtr scrolled = RenderToSurface(*pm, 320, 260);
    SaveArtefact(scrolled.get(), "controls_edit");
    const RECT box = rectOf(L"long");
    // The caret sits inside the box near its right edge.
    const RECT rightEnd{box.right - 12, box.top + 4, box.right - 4, box.bottom - 4};
    EXPECT_GT(CountColour(scrolled.get(), rightEnd, 0x333333, 60), 4);
    Key(*pm, VK_HOME);
    SurfacePtr home = RenderToSurface(*pm, 320, 260);
    const RECT leftStart{box.left + 4, box.top + 4, box.left + 5, box.bottom - 4};
    EXPECT_GT(CountColour(home.get(), leftStart, 0x333333, 40), 8);

    // Aligned edits place a text that fits: the centred page number has nothing near
    // its edges; the right-aligned tip nothing on its left.
    const RECT page = Inner(rectOf(L"page"));
    EXPECT_EQ(CountColour(home.get(), RECT{page.left, page.top, page.left + 18, page.bottom}, 0x333333, 60), 0);
    EXPECT_EQ(CountColour(home.get(), RECT{page.right - 18, page.top, page.right, page.bottom}, 0x333333, 60), 0);
    EXPECT_GT(CountColour(home.get(), page, 0x333333, 60), 10);
    const RECT right = Inner(rectOf(L"right"));
    EXPECT_EQ(CountColour(home.get(), RECT{right.left, right.top, right.left + 30, right.bottom}, 0x999999, 30), 0);
    EXPECT_GT(CountColour(home.get(), right, 0x999999, 30), 10);
    // A click on the right half of the centred number puts the caret after it.
    ClickAt(*pm, POINT{CentreOf(rectOf(L"page")).x + 8, CentreOf(rectOf(L"page")).y});
    EXPECT_EQ(static_cast<CEditUI*>(pm->FindControl(L"page"))->GetCaretIndex(), 1);
    SaveArtefact(RenderToSurface(*pm, 320, 260).get(), "controls_edit_aligned");
}

}  // namespace
}  // namespace DuiLib::test
