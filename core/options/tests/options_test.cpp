#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/log/logger.h"
#include "core/options/options.h"
#include "core/options/store_damage.h"
#include "core/options/tests/settings_store_fixture.h"
#include "platform/base/utf8.h"
#include "platform/base/wformat.h"
#include "platform/process/process.h"

namespace fs = std::filesystem;
using zovi::platform::RegistryValueWriteCount;
using zovi::platform::WideToUtf8;

namespace {

class OptionsTest : public SettingsStoreTest {
protected:
    std::wstring Videos() const { return zovi::platform::DecodeUtf8Lossless(folder_) + L"/home/Videos"; }
};

// Every stored value: name, subkey, type, default, a valid stored sample, and the field.
struct Value {
    const wchar_t* name;
    const wchar_t* subkey;
    bool text;
    DWORD defaultDword;
    std::wstring defaultText;
    DWORD sampleDword;
    std::wstring sampleText;
    std::function<DWORD&(COptions&)> dword;
    std::function<std::wstring&(COptions&)> string;
};

#define DW(name, subkey, def, sample, member) \
    Value{name, subkey, false, def, L"", sample, L"", [](COptions& o) -> DWORD& { return o.member; }, nullptr}
#define SZ(name, subkey, def, sample, member) \
    Value{name, subkey, true, 0, def, 0, sample, nullptr, [](COptions& o) -> std::wstring& { return o.member; }}

std::vector<Value> Values(const std::wstring& videos) {
    return {
        SZ(L"appid", nullptr, L"", L"0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9", appId),
        DW(L"CaptureRectSelectFlag", nullptr, 2, 4, captureRectSelectFlag),
        DW(L"CaptureEntrance", nullptr, 0, 2, captureEntrance),
        DW(L"CameraSize", nullptr, 0, 1, cameraSize),
        DW(L"CaptureDesktopAudio", nullptr, 1, 0, captureDesktopAudio),
        DW(L"vcodec", nullptr, 0, 1, vcodec),
        DW(L"FPS", L"x264", 25, 30, x264Fps),
        DW(L"qmin", L"x264", 25, 18, x264Qmin),
        DW(L"qmax", L"x264", 31, 40, x264Qmax),
        DW(L"gopsize", L"x264", 250, 100, x264GopSize),
        DW(L"bframes", L"x264", 3, 0, x264BFrames),
        DW(L"preset", L"x264", 5, 9, x264Preset),
        DW(L"tune", L"x264", 7, 3, x264Tune),
        DW(L"profile", L"x264", 1, 5, x264Profile),
        DW(L"qmin", L"x265", 25, 0, x265Qmin),
        DW(L"qmax", L"x265", 31, 99, x265Qmax),
        DW(L"gopsize", L"x265", 30, 1, x265GopSize),
        DW(L"bframes", L"x265", 3, 8, x265BFrames),
        DW(L"preset", L"x265", 5, 8, x265Preset),
        DW(L"tune", L"x265", 7, 2, x265Tune),
        DW(L"profile", L"x265", 1, 4, x265Profile),
        DW(L"FPS", L"xvid", 25, 15, xvidFps),
        DW(L"qmin", L"xvid", 2, 3, xvidQmin),
        DW(L"qmax", L"xvid", 10, 31, xvidQmax),
        DW(L"gopsize", L"xvid", 250, 12, xvidGopSize),
        DW(L"wmebl", nullptr, 1, 0, overlayTextOn),
        SZ(L"wmtxt", nullptr, L"", L"水印 text", overlayText),
        DW(L"dxgi", nullptr, 1, 0, dxgi),
        DW(L"vid_hw_enc", nullptr, 1, 0, hardwareEncoder),
        DW(L"acodec", nullptr, 0, 0, acodec),  // 0 is its only value
        DW(L"sampleRate", L"aac", 44100, 48000, aacSampleRate),
        DW(L"bitRate", L"aac", 131072, 65536, aacBitRate),
        DW(L"inputNoise", nullptr, 1, 0, inputNoise),
        DW(L"MuxFmt", nullptr, 0, 3, muxFmt),
        DW(L"startRecord", L"hotkey", 0x353, 0x641, hotkeyStartRecord),
        DW(L"pauseRecord", L"hotkey", 0x350, 0, hotkeyPauseRecord),
        DW(L"stopRecord", L"hotkey", 0x351, 0x151, hotkeyStopRecord),
        DW(L"cameraSwitch", L"hotkey", 0x343, 0x243, hotkeyCameraSwitch),
        DW(L"voiceSwitch", L"hotkey", 0x356, 0x856, hotkeyVoiceSwitch),
        DW(L"toolbarSwitch", L"hotkey", 0x354, 0x454, hotkeyToolbarSwitch),
        DW(L"closeToTray", nullptr, 1, 0, closeToTray),
        SZ(L"saveVideoPath", nullptr, videos + L"/Zovi录屏/", L"/data/v/", saveVideoPath),
        SZ(L"saveSnapshotPath", nullptr, videos + L"/Zovi录屏/Snapshot/", L"/data/s/", saveSnapshotPath),
        SZ(L"lang", nullptr, L"zh-CN", L"en-US", lang),
        DW(L"capture_countdown", nullptr, 1, 0, captureCountdown),
        DW(L"camera_mirror", nullptr, 0, 1, cameraMirror),
        DW(L"toolbar_mask", nullptr, 0, 0x30, toolbarMask),
        DW(L"wb_color", L"whiteboard", 0xFFFF0000, 0xFF00FF00, whiteboardColor),
        DW(L"wb_linesize", L"whiteboard", 0, 2, whiteboardLineSize),
    };
}

// Upper-case hex groups 8-4-4-4-12, version 4, variant bits 10.
bool IsGuidText(const std::wstring& id) {
    if (id.size() != 36) return false;
    for (size_t i = 0; i < id.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash != (id[i] == L'-')) return false;
        if (!dash && !((id[i] >= L'0' && id[i] <= L'9') || (id[i] >= L'A' && id[i] <= L'F'))) return false;
    }
    return id[14] == L'4' && std::wstring(L"89AB").find(id[19]) != std::wstring::npos;
}

TEST_F(OptionsTest, EveryValueHasItsNameSubkeyTypeAndDefault) {
    const auto values = Values(Videos());
    {
        COptions first;  // empty store: defaults, then the exit save writes them all
        for (const auto& v : values) {
            if (v.text && std::wstring(v.name) != L"appid") {
                EXPECT_EQ(v.string(first), v.defaultText) << WideToUtf8(v.name);
            } else if (!v.text) {
                EXPECT_EQ(v.dword(first), v.defaultDword) << WideToUtf8(v.name);
            }
        }
        EXPECT_TRUE(IsGuidText(first.appId)) << WideToUtf8(first.appId);
        EXPECT_EQ(first.logLevel, 2u);
        EXPECT_FALSE(fs::exists(folder_ + "/home/Videos"));  // made by the first recording
    }
    for (const auto& v : values)
        EXPECT_EQ(StoredType(v.subkey, v.name), v.text ? REG_SZ : REG_DWORD) << WideToUtf8(v.name);
    EXPECT_EQ(StoredType(L"install", L"Channel"), REG_NONE) << "never written";

    // Stored values load; the application id stays the same across runs.
    std::wstring appId;
    ASSERT_TRUE(ReadRegString(appId, L"appid", nullptr));
    for (const auto& v : values) {
        if (v.text)
            SeedString(v.subkey, v.name, v.sampleText);
        else
            SeedDword(v.subkey, v.name, v.sampleDword);
    }
    SeedString(L"install", L"Channel", L"store-42");
    {
        COptions loaded;
        for (const auto& v : values) {
            if (v.text)
                EXPECT_EQ(v.string(loaded), v.sampleText) << WideToUtf8(v.name);
            else
                EXPECT_EQ(v.dword(loaded), v.sampleDword) << WideToUtf8(v.name);
        }
        EXPECT_EQ(loaded.channel, L"store-42");
        const std::uint64_t before = RegistryValueWriteCount();
        loaded.Save();
        EXPECT_EQ(RegistryValueWriteCount(), before) << "nothing changed, nothing written";
        loaded.muxFmt = 1;
        loaded.Save();
        EXPECT_EQ(RegistryValueWriteCount(), before + 1);
        loaded.Save();
        EXPECT_EQ(RegistryValueWriteCount(), before + 1);
    }
}

TEST_F(OptionsTest, WrongTypesKeepTheDefaultAndAreRewritten) {
    const auto values = Values(Videos());
    for (const auto& v : values) {
        if (v.text)
            SeedDword(v.subkey, v.name, 7);
        else
            SeedString(v.subkey, v.name, L"7");
    }
    {
        COptions options;
        for (const auto& v : values) {
            if (!v.text) {
                EXPECT_EQ(v.dword(options), v.defaultDword) << WideToUtf8(v.name);
            } else if (std::wstring(v.name) != L"appid") {
                EXPECT_EQ(v.string(options), v.defaultText) << WideToUtf8(v.name);
            }
        }
    }
    for (const auto& v : values)
        EXPECT_EQ(StoredType(v.subkey, v.name), v.text ? REG_SZ : REG_DWORD) << WideToUtf8(v.name);
    const std::uint64_t before = RegistryValueWriteCount();
    { COptions again; }
    EXPECT_EQ(RegistryValueWriteCount(), before) << "a second run writes nothing";
}

TEST_F(OptionsTest, ValidationAtLoadAndWrittenBack) {
    struct Stored {
        const wchar_t* name;
        const wchar_t* subkey;
        DWORD value;
    };
    struct Case {
        std::vector<Stored> dwords;
        std::wstring lang;
        std::function<void(COptions&)> check;
    } cases[] = {
        {{}, L"fr-FR", [](COptions& o) { EXPECT_EQ(o.lang, L"en-US"); }},
        {{}, L"EN-US", [](COptions& o) { EXPECT_EQ(o.lang, L"en-US"); }},
        {{}, L"", [](COptions& o) { EXPECT_EQ(o.lang, L"en-US"); }},
        {{}, L"zh-CN", [](COptions& o) { EXPECT_EQ(o.lang, L"zh-CN"); }},
        {{{L"qmin", L"x264", 30}, {L"qmax", L"x264", 30}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.x264Qmin, 20u); EXPECT_EQ(o.x264Qmax, 31u); }},
        {{{L"qmin", L"x264", 0}, {L"qmax", L"x264", 31}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.x264Qmin, 20u); EXPECT_EQ(o.x264Qmax, 31u); }},
        {{{L"qmin", L"x264", 10}, {L"qmax", L"x264", 52}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.x264Qmin, 20u); EXPECT_EQ(o.x264Qmax, 31u); }},
        {{{L"qmin", L"x264", 10}, {L"qmax", L"x264", 51}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.x264Qmin, 10u); EXPECT_EQ(o.x264Qmax, 51u); }},
        {{{L"qmin", L"xvid", 5}, {L"qmax", L"xvid", 40}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.xvidQmin, 2u); EXPECT_EQ(o.xvidQmax, 10u); }},
        {{{L"qmin", L"xvid", 5}, {L"qmax", L"xvid", 32}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.xvidQmin, 2u); EXPECT_EQ(o.xvidQmax, 10u); }},
        {{{L"qmin", L"xvid", 2}, {L"qmax", L"xvid", 31}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.xvidQmin, 2u); EXPECT_EQ(o.xvidQmax, 31u); }},
        {{{L"FPS", L"x264", 120}, {L"gopsize", L"x264", 30}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.x264Fps, 60u); EXPECT_EQ(o.x264GopSize, 60u); }},
        {{{L"FPS", L"x264", 0}, {L"gopsize", L"x264", 0}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.x264Fps, 1u); EXPECT_EQ(o.x264GopSize, 1u); }},
        {{{L"FPS", L"xvid", 31}}, L"zh-CN", [](COptions& o) { EXPECT_EQ(o.xvidFps, 30u); }},
        {{{L"FPS", L"xvid", 0}}, L"zh-CN", [](COptions& o) { EXPECT_EQ(o.xvidFps, 1u); }},
        {{{L"profile", L"x264", 6}, {L"preset", L"x264", 10}, {L"tune", L"x264", 8}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.x264Profile, 1u); EXPECT_EQ(o.x264Preset, 5u); EXPECT_EQ(o.x264Tune, 0u); }},
        {{{L"profile", L"x264", 5}, {L"preset", L"x264", 9}, {L"tune", L"x264", 7}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.x264Profile, 5u); EXPECT_EQ(o.x264Preset, 9u); EXPECT_EQ(o.x264Tune, 7u); }},
        {{{L"qmin", L"x265", 0}, {L"qmax", L"x265", 0}}, L"zh-CN",
         [](COptions& o) { EXPECT_EQ(o.x265Qmin, 0u); EXPECT_EQ(o.x265Qmax, 0u); }},
    };
    for (const auto& c : cases) {
        DeleteRegTree(nullptr);
        for (const auto& d : c.dwords) SeedDword(d.subkey, d.name, d.value);
        SeedString(nullptr, L"lang", c.lang);
        {
            COptions options;
            c.check(options);
        }
        COptions reloaded;  // the exit save wrote the validated values
        c.check(reloaded);
        std::wstring stored;
        ASSERT_TRUE(ReadRegString(stored, L"lang", nullptr));
        EXPECT_EQ(stored, reloaded.lang);
    }
}

TEST_F(OptionsTest, PlacementsLoadOnlyFromValidValuesAndSaveWhenValid) {
    BYTE placement[kWindowPlacementSize];
    for (DWORD i = 0; i < kWindowPlacementSize; ++i) placement[i] = static_cast<BYTE>(i * 3);
    Seed(kPlacementSubkey, L"CameraViewWindow", REG_BINARY, placement, kWindowPlacementSize);
    Seed(kPlacementSubkey, L"CaptureToolBarWindow", REG_BINARY, placement, 40);
    {
        COptions options;
        for (size_t i = 0; i < 5; ++i)
            EXPECT_EQ(options.placements[i].valid, i == 2) << WideToUtf8(kPlacementNames[i]);
        EXPECT_EQ(std::memcmp(options.placements[2].data, placement, kWindowPlacementSize), 0);
        options.placements[0].valid = true;
        options.placements[0].data[0] = 44;
    }
    BYTE stored[kWindowPlacementSize];
    EXPECT_TRUE(ReadRegWindowPlacement(stored, L"CaptureConfigWindow", kPlacementSubkey));
    EXPECT_EQ(stored[0], 44);
    EXPECT_FALSE(ReadRegWindowPlacement(stored, L"CaptureToolBarWindow", kPlacementSubkey))
        << "entries not valid are not written";
}

// Runs as a child process of SavesNeverRevertAnotherCopysValues only.
TEST(OptionsChild, ChangeTwoValues) {
    if (std::getenv("ZOVI_OPTIONS_CHILD") == nullptr) GTEST_SKIP() << "only run as a child process";
    COptions options;
    options.saveVideoPath = L"/from/the/other/copy/";
    options.x264Fps = 50;
    options.Save();
}

TEST_F(OptionsTest, SavesNeverRevertAnotherCopysValues) {
    { COptions firstRun; }  // the store holds every value
    COptions a;             // copy A loads
    setenv("ZOVI_OPTIONS_CHILD", "1", 1);
    auto b = zovi::platform::ChildProcess::Start(
        {zovi::platform::SelfExePath(), "--gtest_filter=OptionsChild.ChangeTwoValues"}, {});
    unsetenv("ZOVI_OPTIONS_CHILD");
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(b->Wait(60000));
    ASSERT_EQ(b->ExitCode(), 0);
    a.muxFmt = 2;
    a.Save();

    COptions after;
    EXPECT_EQ(after.saveVideoPath, L"/from/the/other/copy/");
    EXPECT_EQ(after.x264Fps, 50u);
    EXPECT_EQ(after.muxFmt, 2u);
}

TEST_F(OptionsTest, AStaticRecordLoadsBeforeMainAndSavesAfterIt) {
    SeedDword(L"x264", L"FPS", 30);
    for (const char* format : {"3", "1"}) {
        auto program = zovi::platform::ChildProcess::Start({ZOVI_TEST_BIN_DIR "/zovi_static_options", format}, {});
        ASSERT_NE(program, nullptr);
        ASSERT_TRUE(program->Wait(60000));
        EXPECT_EQ(program->ExitCode(), 0);
        COptions after;
        EXPECT_EQ(after.muxFmt, static_cast<DWORD>(std::atoi(format)));
        EXPECT_EQ(after.x264Fps, 30u);
    }
}

// Collects error lines of the process-wide logger.
class CapturingLogger : public ILogger {
public:
    void Write(int, const wchar_t* text) override {
        std::lock_guard<std::mutex> guard(lock);
        lines.push_back(text);
    }
    void LogV(int level, const wchar_t* format, va_list args) override {
        Write(level, zovi::platform::FormatWideV(format, args).c_str());
    }
    std::mutex lock;
    std::vector<std::wstring> lines;
};

TEST_F(OptionsTest, DamagedStoreIsMovedAsideLoggedAndDefaultsUsed) {
    const std::string cases[] = {
        "{\n  \"store\" : \"Zovi settings store\",\n  \"keys\" : {\n    \"Software\\\\Larnet\\\\Zovik\" : {\n      \"MuxFmt\" : {\"ty",
        std::string("\x89PNG\r\n\x1a\n\x00\x00 binary garbage", 26),
    };
    for (const auto& content : cases) {
        const std::string store = zovi::platform::RegistryStorePath();
        fs::remove_all(fs::path(store).parent_path());
        fs::create_directories(fs::path(store).parent_path());
        std::ofstream(store, std::ios::binary) << content;

        CapturingLogger logger;
        SetGlobalLogTarget(&logger);
        {
            COptions options;
            EXPECT_EQ(options.muxFmt, 0u);
            EXPECT_EQ(options.lang, L"zh-CN");
            ReportSettingsStoreDamage();
        }
        SetGlobalLogTarget(nullptr);
        ASSERT_EQ(logger.lines.size(), 1u);
        EXPECT_NE(logger.lines[0].find(L"moved aside"), std::wstring::npos) << WideToUtf8(logger.lines[0]);
        bool kept = false;
        for (const auto& entry : fs::directory_iterator(fs::path(store).parent_path()))
            kept = kept || entry.path().filename().string().rfind("registry.json.damaged-", 0) == 0;
        EXPECT_TRUE(kept);
        EXPECT_EQ(StoredType(nullptr, L"MuxFmt"), REG_DWORD) << "the exit save made a new store";
    }
}

// The faults this guards: a stored value outside its table (vcodec 0xFFFFFFFF) made every
// start refuse with no message, and a value of the wrong type was dropped silently.
TEST_F(OptionsTest, RefusedValuesAreReplacedAndLoggedOnce) {
    const struct {
        const wchar_t* name;
        const wchar_t* subkey;
        DWORD stored;
        bool wrongType;
        std::function<DWORD(COptions&)> field;
        DWORD expected;
    } cases[] = {
        {L"vcodec", nullptr, 0xFFFFFFFF, false, [](COptions& o) { return o.vcodec; }, 0},
        {L"vcodec", nullptr, 1, true, [](COptions& o) { return o.vcodec; }, 0},
        {L"MuxFmt", nullptr, 4, false, [](COptions& o) { return o.muxFmt; }, 0},
        {L"acodec", nullptr, 1, false, [](COptions& o) { return o.acodec; }, 0},
        {L"tune", L"x264", 8, false, [](COptions& o) { return o.x264Tune; }, 0},
        {L"preset", L"x265", 10, false, [](COptions& o) { return o.x265Preset; }, 5},
        {L"tune", L"x265", 8, false, [](COptions& o) { return o.x265Tune; }, 7},
        {L"profile", L"x265", 6, false, [](COptions& o) { return o.x265Profile; }, 1},
        {L"sampleRate", L"aac", 12345, false, [](COptions& o) { return o.aacSampleRate; }, 44100},
        {L"bitRate", L"aac", 100000, false, [](COptions& o) { return o.aacBitRate; }, 131072},
        {L"bitRate", L"aac", 65536, true, [](COptions& o) { return o.aacBitRate; }, 131072},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.name) + " " + std::to_string(c.stored) + (c.wrongType ? " as text" : ""));
        DeleteRegTree(nullptr);
        SeedString(nullptr, L"lang", L"zh-CN");
        if (c.wrongType)
            SeedString(c.subkey, c.name, std::to_wstring(c.stored));
        else
            SeedDword(c.subkey, c.name, c.stored);
        CapturingLogger logger;
        SetGlobalLogTarget(&logger);
        {
            COptions options;
            EXPECT_EQ(c.field(options), c.expected);
            ReportSettingsStoreDamage();
            ASSERT_EQ(logger.lines.size(), 1u);
            EXPECT_NE(logger.lines[0].find(c.name), std::wstring::npos) << WideToUtf8(logger.lines[0]);
            ReportSettingsStoreDamage();
            options.Save();
            EXPECT_EQ(logger.lines.size(), 1u) << "logged once";
        }
        EXPECT_EQ(StoredType(c.subkey, c.name), REG_DWORD);
        {
            COptions reloaded;  // the replacement was saved: nothing more to say
            EXPECT_EQ(c.field(reloaded), c.expected);
            ReportSettingsStoreDamage();
        }
        SetGlobalLogTarget(nullptr);
        EXPECT_EQ(logger.lines.size(), 1u);
    }
}

}  // namespace
