// The notification-area icon on X (XEmbed), on a private X server: docking into a
// panel (the test support's own, its program form, and Debian's trayer), the pixels the
// docked icon shows, clicks reaching the owner window, and a panel that ends or is missing.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/process/process.h"
#include "platform/tray/notify_icon.h"
#include "platform/tray/testing/xembed_test_host.h"
#include "platform/tray/tests/tray_x_probe.h"
#include "platform/x11/testing/killable_x_server.h"
#include "platform/x11/x11_init.h"

namespace {

using zovi::test::CXEmbedTestHost;
using zovi::test::IconData;
using zovi::test::PumpUntil;
using zovi::test::ReadWindowImage;
using zovi::test::WindowImage;

constexpr std::uint32_t kRed = 0xE61919;
constexpr std::uint32_t kBlue = 0x1940E6;
constexpr std::uint32_t kGreen = 0x19E640;
constexpr std::uint32_t kPanel = 0x404040;  // the test panel's background
constexpr int kCorner = 6;                  // the icon's transparent top-left square

// 24×24: red left half, blue right half, a transparent square in the top-left corner.
HICON MakeTwoColourIcon() {
    const auto png = zovi::test::MakePng(24, 24, [](int x, int y) -> std::uint32_t {
        if (x < kCorner && y < kCorner) return 0;
        return 0xFF000000 | (x < 12 ? kRed : kBlue);
    });
    return CreateIconFromPng(png.data(), png.size());
}

HICON MakeSolidIcon(int size, std::uint32_t rgb) {
    const auto png = zovi::test::MakePng(size, size, [rgb](int, int) { return 0xFF000000 | rgb; });
    return CreateIconFromPng(png.data(), png.size());
}

bool ShowsTwoColourIcon(const WindowImage& image) {
    return image.width == 24 && image.height == 24 && image.At(1, 1) == kPanel && image.At(kCorner + 1, 2) == kRed &&
           image.At(2, kCorner + 1) == kRed && image.At(8, 12) == kRed && image.At(18, 12) == kBlue &&
           image.At(23, 23) == kBlue;
}

bool AllPixels(const WindowImage& image, std::uint32_t rgb) {
    return image.width > 0 && std::all_of(image.rgb.begin(), image.rgb.end(), [rgb](auto p) { return p == rgb; });
}

std::string ArtefactPath(const std::string& name) {
    const std::string folder = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
    std::filesystem::create_directories(folder);
    return folder + "/" + name;
}

// Reads one line of a child's stdout, up to `timeoutMs`; empty on time-out or end.
std::string ReadLine(int fd, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string line;
    char c = 0;
    while (true) {
        using std::chrono::milliseconds;
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd waitFor{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&waitFor, 1, static_cast<int>(left.count())) <= 0) return {};
        if (read(fd, &c, 1) != 1) return {};
        if (c == '\n') return line;
        line += c;
    }
}

// Waits until a panel owns the tray selection of the default screen of $DISPLAY.
bool WaitForTrayManager(int timeoutMs) {
    Display* display = zovi::platform::x11::OpenDisplay();
    if (!display) return false;
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, StructureNotifyMask);  // the MANAGER announcement
    const Atom selection =
        XInternAtom(display, ("_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display))).c_str(), False);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool owned = false;
    while (!(owned = XGetSelectionOwner(display, selection) != None) && std::chrono::steady_clock::now() < deadline) {
        pollfd waitFor{ConnectionNumber(display), POLLIN, 0};
        poll(&waitFor, 1, 100);
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
    }
    zovi::platform::x11::CloseDisplay(display);
    return owned;
}

class XEmbedIconTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new zovi::test::CKillableXServer;
        if (!server_->Name().empty()) setenv("DISPLAY", server_->Name().c_str(), 1);
        // No session bus, so no StatusNotifierWatcher: icons go to the X panel.
        setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zovi-test-bus", 1);
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    void SetUp() override {
        if (server_->Name().empty()) GTEST_SKIP() << "Xvfb did not start";
        owner_ = std::make_unique<zovi::test::CIconOwner>();
        ASSERT_NE(owner_->Window(), 0u);
    }

    // The test panel, serving on a thread of its own.
    static std::unique_ptr<CXEmbedTestHost> StartHost(bool offerArgbVisual = false) {
        auto host = std::make_unique<CXEmbedTestHost>(std::string(), CXEmbedTestHost::Observer(), offerArgbVisual);
        EXPECT_TRUE(host->Owning());
        host->ServeInBackground();
        return host;
    }

    // Adds icon `id` showing the two-colour icon; the icon window the host docked.
    unsigned long AddDockedIcon(const CXEmbedTestHost& host, UINT id, const wchar_t* tip = L"Zovi录屏") {
        HICON icon = MakeTwoColourIcon();
        NOTIFYICONDATAW data = IconData(owner_->Window(), id, NIF_MESSAGE | NIF_ICON | NIF_TIP, icon, tip);
        const BOOL added = Shell_NotifyIconW(NIM_ADD, &data);
        DestroyIcon(icon);  // the pixels were copied
        EXPECT_TRUE(added);
        if (!added || !host.WaitForDocked([](const auto& icons) { return icons.size() == 1; }, 10'000)) return 0;
        return host.DockedIcons().front();
    }

    bool Delete(UINT id) {
        NOTIFYICONDATAW data = IconData(owner_->Window(), id, 0, nullptr);
        return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
    }

    static zovi::test::CKillableXServer* server_;
    std::unique_ptr<zovi::test::CIconOwner> owner_;
};

zovi::test::CKillableXServer* XEmbedIconTest::server_ = nullptr;

TEST_F(XEmbedIconTest, DockedIconShowsItsPixelsAtThePanelsSize) {
    auto host = StartHost();
    const unsigned long icon = AddDockedIcon(*host, 1);
    ASSERT_NE(icon, 0u);
    EXPECT_EQ(zovi::test::WindowName(icon), "Zovi录屏");
    ASSERT_TRUE(PumpUntil([&] { return ShowsTwoColourIcon(ReadWindowImage({}, icon)); }));
    EXPECT_TRUE(
        zovi::test::SaveWindowImagePng(ReadWindowImage({}, host->Panel()), ArtefactPath("tray_icon_docked.png")));

    // No icon: the panel's background only.
    NOTIFYICONDATAW data = IconData(owner_->Window(), 1, NIF_ICON, nullptr);
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_TRUE(PumpUntil([&] { return AllPixels(ReadWindowImage({}, icon), kPanel); }));

    // A smaller icon is scaled up to the window.
    HICON small = MakeSolidIcon(12, kGreen);
    data = IconData(owner_->Window(), 1, NIF_ICON | NIF_TIP, small, L"recording");
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    DestroyIcon(small);
    EXPECT_TRUE(PumpUntil([&] {
        const WindowImage image = ReadWindowImage({}, icon);
        return image.width == 24 && image.At(3, 3) == kGreen && image.At(12, 12) == kGreen &&
               image.At(20, 20) == kGreen;
    }));
    EXPECT_EQ(zovi::test::WindowName(icon), "recording");

    EXPECT_TRUE(Delete(1));
    EXPECT_TRUE(host->WaitForDocked([](const auto& icons) { return icons.empty(); }, 10'000));
    EXPECT_TRUE(PumpUntil([&] { return !zovi::test::WindowExists(icon); }));
    EXPECT_FALSE(Delete(1));
}

TEST_F(XEmbedIconTest, IconTakesTheArgbVisualThePanelOffers) {
    auto host = StartHost(true);
    const unsigned long icon = AddDockedIcon(*host, 1);
    ASSERT_NE(icon, 0u);
    EXPECT_EQ(zovi::test::WindowDepth(icon), 32);
    // Its transparent pixels are cleared to transparent (no colour) under the icon.
    EXPECT_TRUE(PumpUntil([&] {
        const WindowImage image = ReadWindowImage({}, icon);
        return image.width == 24 && image.At(1, 1) == 0 && image.At(8, 12) == kRed && image.At(18, 12) == kBlue;
    }));
    EXPECT_TRUE(Delete(1));
}

TEST_F(XEmbedIconTest, ClicksReachTheOwnerWithTheirPosition) {
    auto host = StartHost();
    const unsigned long icon = AddDockedIcon(*host, 5);
    ASSERT_NE(icon, 0u);
    ASSERT_TRUE(PumpUntil([&] { return ShowsTwoColourIcon(ReadWindowImage({}, icon)); }));
    const POINT origin = zovi::test::WindowOrigin(icon);

    struct Case {
        unsigned int button;
        POINT offset;
        LPARAM expected;
    };
    const Case cases[] = {{Button1, {12, 12}, WM_LBUTTONUP}, {Button3, {5, 20}, WM_RBUTTONUP}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        owner_->ClearCallbacks();
        const POINT at{origin.x + c.offset.x, origin.y + c.offset.y};
        zovi::test::ClickAt(at, c.button);
        const auto clickOf = [&](LPARAM message) {
            for (const auto& callback : owner_->Callbacks())
                if (callback.mouseMessage == message) return &callback;
            return static_cast<const zovi::test::IconCallback*>(nullptr);
        };
        ASSERT_TRUE(PumpUntil([&] { return clickOf(c.expected) != nullptr; }));
        const auto* click = clickOf(c.expected);
        EXPECT_EQ(click->id, 5u);
        EXPECT_EQ(click->position.x, at.x);
        EXPECT_EQ(click->position.y, at.y);
        // Moving onto the icon was reported before the click.
        const auto* move = clickOf(WM_MOUSEMOVE);
        ASSERT_NE(move, nullptr);
        EXPECT_EQ(move->id, 5u);
        EXPECT_LT(move, click);
    }
    EXPECT_TRUE(Delete(5));
}

TEST_F(XEmbedIconTest, AddFailsWithoutAPanelAndWorksOnceOneRuns) {
    HICON icon = MakeSolidIcon(16, kGreen);
    NOTIFYICONDATAW data = IconData(owner_->Window(), 1, NIF_MESSAGE | NIF_ICON, icon);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &data));

    auto host = StartHost();
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data));  // it exists already
    EXPECT_TRUE(host->WaitForDocked([](const auto& icons) { return icons.size() == 1; }, 10'000));
    // Another id of the same owner is another icon.
    NOTIFYICONDATAW second = IconData(owner_->Window(), 2, NIF_ICON, icon);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &second));
    EXPECT_TRUE(host->WaitForDocked([](const auto& icons) { return icons.size() == 2; }, 10'000));
    DestroyIcon(icon);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &second));
    EXPECT_TRUE(host->WaitForDocked([](const auto& icons) { return icons.empty(); }, 10'000));
}

TEST_F(XEmbedIconTest, PanelEndingLosesTheIcon) {
    auto host = StartHost();
    const unsigned long icon = AddDockedIcon(*host, 1);
    ASSERT_NE(icon, 0u);
    ASSERT_TRUE(PumpUntil([&] { return ShowsTwoColourIcon(ReadWindowImage({}, icon)); }));

    // The server puts the docked window back on the root (the panel's save-set); the icon
    // takes it away rather than showing a stray window.
    host.reset();
    EXPECT_TRUE(PumpUntil([&] { return !zovi::test::WindowExists(icon); }));
    NOTIFYICONDATAW data = IconData(owner_->Window(), 1, NIF_ICON, nullptr);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));

    // A new panel gets the icon when it is added again.
    host = StartHost();
    EXPECT_NE(AddDockedIcon(*host, 1), 0u);
    EXPECT_TRUE(Delete(1));
}

TEST_F(XEmbedIconTest, TestHostProgramPrintsWhatDocks) {
    zovi::platform::ChildProcess::Options options;
    options.pipeStdout = true;
    auto program = zovi::platform::ChildProcess::Start({std::string(ZOVI_TEST_BIN_DIR) + "/xembed_test_host"}, options);
    ASSERT_TRUE(program);
    EXPECT_EQ(ReadLine(program->StdoutFd(), 10'000).rfind("manager 0x", 0), 0u);

    HICON icon = MakeSolidIcon(16, kRed);
    NOTIFYICONDATAW data = IconData(owner_->Window(), 3, NIF_ICON | NIF_TIP, icon, L"host program");
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    DestroyIcon(icon);
    const std::string docked = ReadLine(program->StdoutFd(), 10'000);
    ASSERT_EQ(docked.rfind("docked 0x", 0), 0u) << docked;
    const unsigned long window = std::stoul(docked.substr(7), nullptr, 16);
    EXPECT_EQ(zovi::test::WindowName(window), "host program");

    EXPECT_TRUE(Delete(3));
    EXPECT_EQ(ReadLine(program->StdoutFd(), 10'000), "un" + docked);
    program->Kill(SIGTERM);
    ASSERT_TRUE(program->Wait(10'000));
    EXPECT_EQ(program->ExitCode(), 0);
}

TEST_F(XEmbedIconTest, TrayerDocksTheIcon) {
    if (access("/usr/bin/trayer", X_OK) != 0) GTEST_SKIP() << "trayer is not installed";
    auto trayer = zovi::platform::ChildProcess::Start(
        {"/usr/bin/trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
         "--SetDockType", "true"},
        {});
    ASSERT_TRUE(trayer);
    ASSERT_TRUE(WaitForTrayManager(20'000));

    HICON icon = MakeTwoColourIcon();
    NOTIFYICONDATAW data = IconData(owner_->Window(), 1, NIF_MESSAGE | NIF_ICON | NIF_TIP, icon, L"trayer test");
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    DestroyIcon(icon);
    unsigned long window = 0;
    // trayer sizes the icon itself (not always square): its centre shows the icon.
    const auto showsIcon = [&] {
        if (!window) window = zovi::test::FindWindowByName("trayer test");
        const WindowImage image = window ? ReadWindowImage({}, window) : WindowImage{};
        return image.width >= 12 && image.height >= 12 && image.At(image.width / 2 - 4, image.height / 2) == kRed &&
               image.At(image.width / 2 + 4, image.height / 2) == kBlue;
    };
    ASSERT_TRUE(PumpUntil(showsIcon, 20'000));
    EXPECT_TRUE(zovi::test::SaveWindowImagePng(ReadWindowImage({}, zovi::test::TopLevelOf(window)),
                                               ArtefactPath("tray_icon_trayer.png")));

    const POINT origin = zovi::test::WindowOrigin(window);
    const POINT at{origin.x + 4, origin.y + 4};
    zovi::test::ClickAt(at, Button1);
    ASSERT_TRUE(PumpUntil([&] {
        for (const auto& callback : owner_->Callbacks())
            if (callback.mouseMessage == WM_LBUTTONUP) return true;
        return false;
    }));
    EXPECT_TRUE(Delete(1));
    EXPECT_TRUE(PumpUntil([&] { return !zovi::test::WindowExists(window); }));
    trayer->Kill(SIGTERM);
    EXPECT_TRUE(trayer->Wait(10'000));
}

TEST(TrayIconImage, DecodesPngWithStraightAlpha) {
    const auto png = zovi::test::MakePng(3, 2, [](int x, int y) -> std::uint32_t {
        const std::uint32_t row[2][3] = {{0xFFE61919, 0x80FF0000, 0x00000000}, {0xFF1940E6, 0x40FFFFFF, 0xFF000000}};
        return row[y][x];
    });
    HICON icon = CreateIconFromPng(png.data(), png.size());
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->width, 3);
    EXPECT_EQ(icon->height, 2);
    const std::vector<std::uint32_t> expected = {0xFFE61919, 0x80FF0000, 0x00000000,
                                                 0xFF1940E6, 0x40FFFFFF, 0xFF000000};
    EXPECT_EQ(icon->argb, expected);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(nullptr));

    const unsigned char notPng[] = "GIF89a not a png";
    EXPECT_EQ(CreateIconFromPng(notPng, sizeof notPng), nullptr);
    EXPECT_EQ(CreateIconFromPng(png.data(), png.size() / 2), nullptr);  // cut short
    EXPECT_EQ(CreateIconFromPng(nullptr, 0), nullptr);
}

}  // namespace
