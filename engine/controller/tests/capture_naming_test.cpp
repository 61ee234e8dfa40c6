#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/global/global.h"
#include "engine/controller/capture_naming.h"
#include "engine/controller/capture_settings.h"
#include "platform/base/utf8.h"

using namespace zovi::engine;
namespace fs = std::filesystem;

TEST(CaptureNaming, ContainerByOption) {
    struct Case {
        uint32_t muxFmt;
        std::wstring extension;
        std::string container;
    } cases[] = {{0, L"mp4", "mp4"}, {1, L"mkv", "matroska"}, {2, L"flv", "flv"},
                 {3, L"avi", "avi"}, {7, L"mp4", "mp4"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ContainerExtension(c.muxFmt), c.extension) << c.muxFmt;
        EXPECT_EQ(ContainerName(c.muxFmt), c.container) << c.muxFmt;
    }
}

TEST(CaptureNaming, FileNamesHaveOneSeparatorAndTheLocalTime) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 10;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    for (const std::wstring folder : {L"/v/Zovi录屏/", L"/v/Zovi录屏", L"/v/Zovi录屏\\"}) {
        EXPECT_EQ(FormatOutputFileName(folder, t, 1), L"/v/Zovi录屏/Zovi录屏-20261210-090507.mkv");
        EXPECT_EQ(FormatSnapshotFileName(folder, t),
                  L"/v/Zovi录屏/Zovi-Snapshot-20261210-090507.png");
    }
    EXPECT_EQ(TrimOneSeparator(L"/v//"), L"/v/");  // only one is dropped
}

TEST(CaptureNaming, X264NamesByOptionValue) {
    struct Case {
        uint32_t value;
        std::string preset, tune, profile;
    } cases[] = {
        {0, "ultrafast", "film", "baseline"}, {1, "superfast", "animation", "main"},
        {2, "veryfast", "grain", "high"},     {3, "faster", "stillimage", "high10"},
        {4, "fast", "psnr", "high422"},       {5, "medium", "ssim", "high444"},
        {6, "slow", "fastdecode", "main"},    {7, "slower", "zerolatency", "main"},
        {8, "veryslow", "zerolatency", "main"}, {9, "placebo", "zerolatency", "main"},
        {10, "medium", "zerolatency", "main"}, {0xFFFFFFFF, "medium", "zerolatency", "main"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(X264PresetName(c.value), c.preset) << c.value;
        EXPECT_EQ(X264TuneName(c.value), c.tune) << c.value;
        EXPECT_EQ(X264ProfileName(c.value), c.profile) << c.value;
    }
}

TEST(CaptureNaming, ToolbarMask) {
    struct Case {
        int32_t type;
        bool camera, sound;
        uint32_t option, mask;
    } cases[] = {
        {1, false, false, 0, 0x1E3},  {2, true, true, 0, 0x1FB},   {0, false, false, 0, 0x1C3},
        {3, true, true, 0, 0x1D3},    {2, true, true, 0x1FF, 0},   {1, false, true, 0x10, 0x1E3},
        {2, false, false, 0x3, 0x1E0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToolbarMask(c.type, c.camera, c.sound, c.option), c.mask)
            << c.type << " " << c.camera << " " << c.sound << " " << c.option;
}

namespace {

// Keeps every stored value of an options record and puts them back when it goes.
class COptionsKept {
public:
    explicit COptionsKept(COptions& options) : options_(options) {
        for (const auto& field : COptions::Fields()) {
            if (field.dword) dwords_.push_back(options.*field.dword);
            else texts_.push_back(options.*field.text);
        }
    }
    ~COptionsKept() {
        size_t dword = 0, text = 0;
        for (const auto& field : COptions::Fields()) {
            if (field.dword) options_.*field.dword = dwords_[dword++];
            else options_.*field.text = texts_[text++];
        }
    }

private:
    COptions& options_;
    std::vector<DWORD> dwords_;
    std::vector<std::wstring> texts_;
};

}  // namespace

// The options record through a recording's settings into the engine's records: each
// value lands in its place (all distinct, so a swap shows).
TEST(CaptureSettings, EngineRecordsFromTheOptionsRecord) {
    COptions& options = GetGlobal();
    COptionsKept kept(options);
    options.vcodec = 0;
    options.x264Fps = 30;
    options.x264Qmin = 18;
    options.x264Qmax = 40;
    options.x264GopSize = 100;
    options.x264BFrames = 2;
    options.x264Preset = 3;
    options.x264Tune = 1;
    options.x264Profile = 2;
    options.hardwareEncoder = 0;
    options.dxgi = 0;
    options.overlayTextOn = 1;
    options.overlayText = L"水印 text";
    options.acodec = 0;
    options.aacSampleRate = 48000;
    options.aacBitRate = 96000;
    options.inputNoise = 0;

    const CaptureSettings x264Settings(options);
    auto x264 = MakeVideoParams(x264Settings);
    ASSERT_TRUE(x264);
    ASSERT_TRUE(x264->GetEncoderName());
    EXPECT_EQ(x264->encoder, "libx264");
    EXPECT_EQ(x264->fps, 30);
    EXPECT_EQ(x264->qmin, 18);
    EXPECT_EQ(x264->qmax, 40);
    EXPECT_EQ(x264->gop, 100);
    EXPECT_EQ(x264->bframes, 2);
    EXPECT_EQ(x264->preset, "faster");
    EXPECT_EQ(x264->tune, "animation");
    EXPECT_EQ(x264->profile, "high");
    EXPECT_FALSE(x264->hardwareAllowed);
    const CaptureSourceSettings screen = MakeSourceSettings(x264Settings);
    EXPECT_FALSE(screen.dxgiAllowed);
    EXPECT_EQ(screen.overlayText, L"水印 text");
    auto aac = MakeAudioParams(x264Settings);
    ASSERT_TRUE(aac);
    EXPECT_EQ(aac->name, "aac");
    EXPECT_EQ(aac->channels, 2);
    EXPECT_EQ(aac->sampleFormat, 8);
    EXPECT_EQ(aac->sampleRate, 48000);
    EXPECT_EQ(aac->bitRate, 96000);
    EXPECT_FALSE(aac->noiseSuppression);

    options.vcodec = 1;
    options.xvidFps = 20;
    options.xvidQmin = 3;
    options.xvidQmax = 12;
    options.xvidGopSize = 60;
    options.hardwareEncoder = 1;
    options.dxgi = 1;
    options.overlayTextOn = 0;  // the text stays stored but is not drawn
    options.inputNoise = 1;
    const CaptureSettings xvidSettings(options);
    auto xvid = MakeVideoParams(xvidSettings);
    ASSERT_TRUE(xvid);
    ASSERT_TRUE(xvid->GetEncoderName());
    EXPECT_EQ(xvid->encoder, "libxvid");
    EXPECT_EQ(xvid->fps, 20);
    EXPECT_EQ(xvid->qmin, 3);
    EXPECT_EQ(xvid->qmax, 12);
    EXPECT_EQ(xvid->gop, 60);
    EXPECT_EQ(xvid->bframes, 0);
    EXPECT_EQ(xvid->preset + xvid->tune + xvid->profile, "");
    EXPECT_TRUE(xvid->hardwareAllowed);
    EXPECT_TRUE(MakeSourceSettings(xvidSettings).dxgiAllowed);
    EXPECT_EQ(MakeSourceSettings(xvidSettings).overlayText, L"");
    EXPECT_TRUE(MakeAudioParams(xvidSettings)->noiseSuppression);

    // FLV holds no Xvid video: there the recording is made with x264 and its settings.
    for (const DWORD muxFmt : {0u, 1u, 2u, 3u}) {
        options.muxFmt = muxFmt;
        const CaptureSettings chosen(options);
        auto params = MakeVideoParams(chosen);
        ASSERT_TRUE(params && params->GetEncoderName()) << muxFmt;
        const bool flv = muxFmt == 2;
        EXPECT_EQ(VideoCodecReplaced(chosen), flv) << muxFmt;
        EXPECT_EQ(VideoCodecFor(chosen), flv ? 0u : 1u) << muxFmt;
        EXPECT_EQ(params->encoder, flv ? "libx264" : "libxvid") << muxFmt;
        EXPECT_EQ(params->fps, static_cast<int32_t>(flv ? options.x264Fps : 20)) << muxFmt;
    }
    options.muxFmt = 0;

    options.vcodec = 2;
    options.acodec = 1;
    const CaptureSettings unknown(options);
    EXPECT_FALSE(MakeVideoParams(unknown));
    EXPECT_FALSE(MakeAudioParams(unknown));
}

TEST(CaptureNaming, ExistingFilesAreNeverReused) {
    const fs::path folder = fs::temp_directory_path() / ("zovi-naming-test-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::wstring base = zovi::platform::DecodeUtf8Lossless((folder / "Zovi录屏-20261210-090507.mp4").string());
    EXPECT_EQ(MakeUniqueFileName(base), base);
    std::ofstream(zovi::platform::EncodeUtf8Lossless(base)) << "x";
    const std::wstring first = MakeUniqueFileName(base);
    EXPECT_EQ(first, zovi::platform::DecodeUtf8Lossless((folder / "Zovi录屏-20261210-090507-1.mp4").string()));
    std::ofstream(zovi::platform::EncodeUtf8Lossless(first)) << "x";
    EXPECT_EQ(MakeUniqueFileName(base),
              zovi::platform::DecodeUtf8Lossless((folder / "Zovi录屏-20261210-090507-2.mp4").string()));
    const std::wstring bare = zovi::platform::DecodeUtf8Lossless((folder / "noext").string());
    std::ofstream(zovi::platform::EncodeUtf8Lossless(bare)) << "x";
    EXPECT_EQ(MakeUniqueFileName(bare), bare + L"-1");
    fs::remove_all(folder);
}
