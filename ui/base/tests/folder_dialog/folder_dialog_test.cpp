// The folder chooser on offscreen windows with the built-in skin, in a temporary home
// with a small tree: the rows it lists, entering and leaving folders, the special
// folders, "New folder", the typed path, an unreadable folder, each way to close, and
// pictures of the dialog. Also the path rules and the user-dirs.dirs reading on their own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/utf8.h"
#include "platform/duilib/controls/container.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/window_input.h"
#include "platform/window/present.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"
#include "ui/base/folder_dialog/browse_for_folder.h"
#include "platform/fs/folder_paths.h"
#include "ui/base/folder_dialog/ui_folder_dialog.h"
#include "ui/base/folder_dialog/user_dirs.h"

namespace {

namespace fs = std::filesystem;
using namespace DuiLib::folder_dialog;
using namespace zovi::platform::folders;

constexpr UINT kStep = WM_APP + 1;
std::function<void()> gStep;

LRESULT StepProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStep && gStep) {
        gStep();
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

std::wstring Wide(const fs::path& path) { return zovi::platform::DecodeUtf8Lossless(path.native()); }

DuiLib::CUIFolderDialog* DialogOf(HWND hwnd) {
    return dynamic_cast<DuiLib::CUIFolderDialog*>(DuiLib::CWindowWnd::FromHandle(hwnd));
}
DuiLib::CControlUI* Find(HWND hwnd, const std::wstring& name) {
    return DialogOf(hwnd)->GetPaintManager().FindControl(name.c_str());
}
// The texts of the rows of a named column, top to bottom.
std::vector<std::wstring> RowsOf(HWND hwnd, const wchar_t* column) {
    std::vector<std::wstring> rows;
    auto* list = static_cast<DuiLib::CContainerUI*>(Find(hwnd, column)->GetInterface(L"Container"));
    for (int i = 0; i < list->GetCount(); ++i) rows.push_back(list->GetItemAt(i)->GetText().GetData());
    return rows;
}
// Replaces the path field's text as a user would and presses Enter.
void TypePath(HWND hwnd, const std::wstring& text) {
    ASSERT_TRUE(DuiLib::test::Click(hwnd, L"path"));
    DuiLib::test::Key(hwnd, VK_END);
    const size_t length = Find(hwnd, L"path")->GetText().GetLength();
    for (size_t i = 0; i < length; ++i) DuiLib::test::Key(hwnd, VK_BACK);
    DuiLib::test::Type(hwnd, text.c_str());
    DuiLib::test::Key(hwnd, VK_RETURN);
}
bool MessageShows(HWND hwnd, const wchar_t* text) {
    DuiLib::CControlUI* message = Find(hwnd, L"message");
    return message && message->IsVisible() && message->GetText() == text;
}
void SavePicture(HWND hwnd, const std::string& name) {
    DuiLib::test::PumpUntilIdle();
    RECT client{};
    ::GetClientRect(hwnd, &client);
    auto surface = DuiLib::test::RenderToSurface(DialogOf(hwnd)->GetPaintManager(), client.right, client.bottom);
    EXPECT_NE(DuiLib::test::SaveArtefact(surface.get(), name), "");
}

// A home folder of its own:
//   alpha/  Beta/  gamma/inner/  .hidden/  Desktop/  Music/  locked/ (mode 000)  file.txt
// with user-dirs.dirs naming Music, a Documents folder that does not exist, and Videos
// as the home folder itself.
struct FolderDialogTest : testing::Test {
    static void SetUpTestSuite() {
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = StepProc;
        wc.lpszClassName = L"FolderDialogTestStepper";
        ::RegisterClassExW(&wc);
    }
    void SetUp() override {
        TolkaSetLang(TolkaLangEnglish);
        char pattern[] = "/tmp/zovi-folder-dialog-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        ::chmod(pattern, 0755);  // others may traverse it (the unreadable-folder case)
        home = root / "home";
        for (const char* folder : {"alpha", "Beta", "gamma/inner", ".hidden", "Desktop", "Music", "locked"}) {
            fs::create_directories(home / folder);
        }
        std::ofstream(home / "file.txt") << "x";
        fs::create_directories(home / ".config");
        std::ofstream(home / ".config/user-dirs.dirs") << "# written by the test\n"
                                                          "XDG_MUSIC_DIR=\"$HOME/Music\"\n"
                                                          "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n"
                                                          "XDG_VIDEOS_DIR=\"$HOME/\"\n";
        fs::permissions(home, fs::perms(0755));
        fs::permissions(home / "locked", fs::perms::none);
        if (const char* old = std::getenv("HOME")) oldHome = old;
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        stepper = ::CreateWindowExW(0, L"FolderDialogTestStepper", L"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr,
                                    nullptr);
        ASSERT_NE(stepper, 0u);
    }
    void TearDown() override {
        ::DestroyWindow(stepper);
        gStep = nullptr;
        setenv("HOME", oldHome.c_str(), 1);
        std::error_code error;
        fs::permissions(home / "locked", fs::perms(0755), error);
        fs::remove_all(root, error);
    }
    // BrowseForFolder with `steps` run on the open dialog from inside its loop; a dialog
    // the steps left open ends with a code that means neither OK nor Cancel.
    std::optional<std::wstring> Run(const std::function<void(HWND)>& steps, const std::wstring& start = {}) {
        gStep = [&] {
            const HWND dialog = ::FindWindowW(L"UIFolderDialog", nullptr);
            EXPECT_NE(dialog, 0u);
            if (!dialog) return;
            steps(dialog);
            if (::IsWindow(dialog)) ::PostMessageW(dialog, WM_CLOSE, 99, 0);
        };
        ::PostMessageW(stepper, kStep, 0, 0);
        return DuiLib::BrowseForFolder(0, start);
    }

    fs::path root, home;
    std::string oldHome = "/";
    HWND stepper = 0;
};

TEST_F(FolderDialogTest, StartsAtHomeWithSortedVisibleSubfoldersAndTheSpecialFolders) {
    const auto result = Run([&](HWND h) {
        EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(home));
        EXPECT_EQ(RowsOf(h, L"list"),
                  (std::vector<std::wstring>{L"..", L"alpha", L"Beta", L"Desktop", L"gamma", L"locked", L"Music"}));
        EXPECT_EQ(RowsOf(h, L"places"), (std::vector<std::wstring>{L"Home", L"Desktop", L"Music"}));
        EXPECT_FALSE(Find(h, L"message")->IsVisible());
        ASSERT_NE(Find(h, L"path"), nullptr) << "the path field was not built";
        EXPECT_EQ(Find(h, L"path")->GetText(), Wide(home));
        SavePicture(h, "folder_dialog_home");
        DuiLib::test::Click(h, L"btnOK");
    });
    EXPECT_EQ(result, Wide(home));
}

TEST_F(FolderDialogTest, RowsEnterFoldersAndDotDotAndUpGoBack) {
    const auto result = Run([&](HWND h) {
        DuiLib::test::Click(h, L"dir:gamma");
        EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(home / "gamma"));
        EXPECT_EQ(RowsOf(h, L"list"), (std::vector<std::wstring>{L"..", L"inner"}));
        DuiLib::test::Click(h, L"dir:inner");
        DuiLib::test::Click(h, L"dir:..");
        DuiLib::test::Click(h, L"dir:..");
        EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(home));
        DuiLib::test::Click(h, L"btnUp");
        EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(root));
        DuiLib::test::Click(h, L"place:music");
        EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(home / "Music"));
        DuiLib::test::Click(h, L"btnOK");
    });
    EXPECT_EQ(result, Wide(home / "Music"));
}

TEST_F(FolderDialogTest, AFolderWhoseNameIsNotUtf8CanBeEnteredAndChosen) {
    const fs::path latin1 = home / "caf\xe9";  // "café" in Latin-1, as old archives leave it
    fs::create_directories(latin1 / "sub");
    const std::wstring name = zovi::platform::DecodeUtf8Lossless("caf\xe9");
    const auto result = Run([&](HWND h) {
        ASSERT_NE(Find(h, L"dir:" + name), nullptr);
        DuiLib::test::Click(h, (L"dir:" + name).c_str());
        EXPECT_EQ(RowsOf(h, L"list"), (std::vector<std::wstring>{L"..", L"sub"}));
        SavePicture(h, "folder_dialog_latin1");
        DuiLib::test::Click(h, L"btnOK");
    });
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(zovi::platform::EncodeUtf8Lossless(*result), latin1.native());
}

TEST_F(FolderDialogTest, NewFolderMakesNumberedFoldersAndOkTakesTheNewOne) {
    const auto result = Run([&](HWND h) {
        DuiLib::test::Click(h, L"dir:alpha");
        DuiLib::test::Click(h, L"btnNewFolder");
        EXPECT_TRUE(fs::is_directory(home / "alpha/New folder"));
        DuiLib::test::Click(h, L"btnNewFolder");
        EXPECT_TRUE(fs::is_directory(home / "alpha/New folder (2)"));
        EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(home / "alpha"));
        EXPECT_EQ(RowsOf(h, L"list"), (std::vector<std::wstring>{L"..", L"New folder", L"New folder (2)"}));
        ASSERT_NE(Find(h, L"path"), nullptr) << "the path field was not built";
        EXPECT_EQ(Find(h, L"path")->GetText(), Wide(home / "alpha/New folder (2)"));
        DuiLib::test::Click(h, L"btnOK");
    });
    EXPECT_EQ(result, Wide(home / "alpha/New folder (2)"));
}

TEST_F(FolderDialogTest, ALongListScrollsAndANewFolderAtItsEndIsScrolledIntoView) {
    for (int i = 0; i < 40; ++i) fs::create_directories(home / "alpha" / ("f" + std::to_string(100 + i)));
    const auto result = Run([&](HWND h) {
        DuiLib::test::Click(h, L"dir:alpha");
        DuiLib::test::PumpUntilIdle();
        auto* list = static_cast<DuiLib::CContainerUI*>(Find(h, L"list")->GetInterface(L"Container"));
        EXPECT_GT(list->GetScrollRange().cy, 40 * 28 - list->GetHeight());
        EXPECT_EQ(list->GetScrollPos().cy, 0);
        DuiLib::test::Click(h, L"btnNewFolder");
        DuiLib::test::PumpUntilIdle();
        const RECT row = Find(h, L"dir:New folder")->GetPos();
        const RECT view = list->GetPos();
        EXPECT_GT(list->GetScrollPos().cy, 0);
        EXPECT_GE(row.top, view.top);
        EXPECT_LE(row.bottom, view.bottom);
        SavePicture(h, "folder_dialog_scrolled");
        // Entering another folder starts at its top.
        DuiLib::test::Click(h, L"dir:New folder");
        EXPECT_EQ(list->GetScrollPos().cy, 0);
        DuiLib::test::Click(h, L"btnOK");
    });
    EXPECT_EQ(result, Wide(home / "alpha/New folder"));
}

TEST_F(FolderDialogTest, ATypedPathAndEnterGoThereWhenItExists) {
    const auto result = Run([&](HWND h) {
        ASSERT_NE(Find(h, L"path"), nullptr) << "the path field was not built";
        TypePath(h, Wide(home / "gamma/inner") + L"/");
        EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(home / "gamma/inner"));
        EXPECT_EQ(Find(h, L"path")->GetText(), Wide(home / "gamma/inner"));
        TypePath(h, Wide(home / "nowhere"));
        EXPECT_TRUE(MessageShows(h, L"There is no such folder."));
        EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(home / "gamma/inner"));
        // OK with a typed folder that does not exist stays open.
        DuiLib::test::Click(h, L"btnOK");
        EXPECT_TRUE(::IsWindow(h));
        TypePath(h, L"~/Beta");
        EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(home / "Beta"));
        EXPECT_FALSE(Find(h, L"message")->IsVisible());
        DuiLib::test::Click(h, L"btnOK");
    });
    EXPECT_EQ(result, Wide(home / "Beta"));
}

TEST_F(FolderDialogTest, AnUnreadableOrUnwritableFolderShowsTheMessage) {
    // Root reads every folder: take another user's rights while the dialog runs.
    const bool asRoot = ::geteuid() == 0;
    fs::permissions(home, fs::perms(0555));
    if (asRoot) {
        ASSERT_EQ(::seteuid(65534), 0);
    }
    const auto result = Run([&](HWND h) {
        DuiLib::test::Click(h, L"dir:locked");
        EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(home / "locked"));
        EXPECT_TRUE(MessageShows(h, L"You do not have permission to open this folder."));
        EXPECT_EQ(RowsOf(h, L"list"), (std::vector<std::wstring>{L".."}));
        const uid_t user = ::geteuid();
        EXPECT_EQ(::seteuid(0), asRoot ? 0 : -1);  // the artefacts folder is root's
        SavePicture(h, "folder_dialog_unreadable");
        EXPECT_EQ(::seteuid(user), 0);
        DuiLib::test::Click(h, L"dir:..");
        EXPECT_FALSE(Find(h, L"message")->IsVisible());
        // Nor may a folder be made where the user cannot write.
        DuiLib::test::Click(h, L"btnNewFolder");
        EXPECT_TRUE(MessageShows(h, L"A new folder cannot be made here."));
        EXPECT_FALSE(fs::exists(home / "New folder"));
        DuiLib::test::Click(h, L"btnCancel");
    });
    if (asRoot) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    fs::permissions(home, fs::perms(0755));
    EXPECT_EQ(result, std::nullopt);
}

TEST_F(FolderDialogTest, EveryWayButOkReturnsNothing) {
    const struct {
        const char* name;
        std::function<void(HWND)> close;
    } cases[] = {
        {"Cancel", [](HWND h) { DuiLib::test::Click(h, L"btnCancel"); }},
        {"close button", [](HWND h) { DuiLib::test::Click(h, L"btnClose"); }},
        {"Escape", [](HWND h) { DuiLib::test::Key(h, VK_ESCAPE); }},
        {"window-manager close", [](HWND h) { ::SendMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND seen = 0;
        EXPECT_EQ(Run([&](HWND h) {
                      seen = h;
                      DuiLib::test::Click(h, L"dir:alpha");
                      c.close(h);
                  }),
                  std::nullopt);
        EXPECT_FALSE(::IsWindow(seen));
    }
}

TEST_F(FolderDialogTest, StartsAtTheGivenFolderInChinese) {
    TolkaSetLang(TolkaLangChinese);
    const auto result = Run(
        [&](HWND h) {
            EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(home / "gamma"));
            EXPECT_EQ(Find(h, L"title")->GetText(), L"选择文件夹");
            EXPECT_EQ(Find(h, L"place:home")->GetText(), L"主文件夹");
            DuiLib::test::Click(h, L"btnNewFolder");
            EXPECT_TRUE(fs::is_directory(home / "gamma/新建文件夹"));
            SavePicture(h, "folder_dialog_zh");
            DuiLib::test::Key(h, VK_ESCAPE);
        },
        Wide(home / "gamma") + L"/");
    EXPECT_EQ(result, std::nullopt);
    // A start folder that does not exist: the home folder.
    TolkaSetLang(TolkaLangEnglish);
    Run([&](HWND h) { EXPECT_EQ(DialogOf(h)->GetCurrentFolder(), Wide(home)); }, L"/no/such/folder");
}

TEST(FolderPaths, Normalize) {
    setenv("HOME", "/home/u/", 1);
    const struct {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"/", L"/"},          {L"/a/b/", L"/a/b"},     {L"/a//b/./c/..", L"/a/b"}, {L"~", L"/home/u"},
        {L"~/x/", L"/home/u/x"}, {L"/a/../..", L"/"}, {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(NormalizeFolder(c.in), c.out) << c.in;
    EXPECT_EQ(ParentFolder(L"/a/b"), L"/a");
    EXPECT_EQ(ParentFolder(L"/a"), L"/");
    EXPECT_EQ(ParentFolder(L"/"), L"/");
    EXPECT_EQ(JoinFolder(L"/", L"x"), L"/x");
    EXPECT_EQ(JoinFolder(L"/a", L"x"), L"/a/x");
}

TEST_F(FolderDialogTest, UserDirsFromXdgConfigHomeWithEscapesAndAbsolutePaths) {
    fs::create_directories(root / "cfg");
    fs::create_directories(root / "pics");
    fs::create_directories(home / "My \"Docs\"");
    std::ofstream(root / "cfg/user-dirs.dirs") << "XDG_PICTURES_DIR=\"" << (root / "pics").native() << "\"\n"
                                               << "XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"\n"
                                               << "XDG_DOWNLOAD_DIR=relative/not/allowed\n";
    setenv("XDG_CONFIG_HOME", (root / "cfg").c_str(), 1);
    const auto folders = ExistingSpecialFolders();
    unsetenv("XDG_CONFIG_HOME");
    std::vector<std::pair<SpecialFolder, std::wstring>> got;
    for (const auto& folder : folders) got.emplace_back(folder.kind, folder.path);
    EXPECT_EQ(got, (std::vector<std::pair<SpecialFolder, std::wstring>>{
                       {SpecialFolder::Home, Wide(home)},
                       {SpecialFolder::Desktop, Wide(home / "Desktop")},
                       {SpecialFolder::Documents, Wide(home / "My \"Docs\"")},
                       {SpecialFolder::Pictures, Wide(root / "pics")},
                   }));
}

}  // namespace

int main(int argc, char** argv) {
    zovi::platform::UseOffscreenWindows();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
