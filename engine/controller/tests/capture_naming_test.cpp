#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/controller/capture_naming.h"
#include "engine/controller/capture_settings.h"
#include "engine/util/engine_misc.h"

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

TEST(CaptureNaming, CodecRecordsFromTheSettings) {
    CaptureSettings s;  // the defaults
    s.wmtxt = L"水印 text";
    auto x264 = MakeVideoParams(s);
    ASSERT_TRUE(x264);
    ASSERT_TRUE(x264->GetEncoderName());
    EXPECT_EQ(x264->encoder, "libx264");
    EXPECT_EQ(x264->fps, 25);
    EXPECT_EQ(x264->qmin, 25);
    EXPECT_EQ(x264->qmax, 31);
    EXPECT_EQ(x264->gop, 250);
    EXPECT_EQ(x264->bframes, 3);
    EXPECT_EQ(x264->preset, "medium");
    EXPECT_EQ(x264->tune, "zerolatency");
    EXPECT_EQ(x264->profile, "main");
    EXPECT_EQ(x264->mux, "mp4");
    EXPECT_EQ(x264->overlayText, "水印 text");
    EXPECT_TRUE(x264->dxgiAllowed);
    EXPECT_TRUE(x264->hardwareAllowed);

    s.vcodec = 1;
    s.muxFmt = 1;
    s.wmebl = 0;
    s.dxgi = 0;
    s.vid_hw_enc = 0;
    auto xvid = MakeVideoParams(s);
    ASSERT_TRUE(xvid);
    ASSERT_TRUE(xvid->GetEncoderName());
    EXPECT_EQ(xvid->encoder, "libxvid");
    EXPECT_EQ(xvid->qmin, 2);
    EXPECT_EQ(xvid->qmax, 10);
    EXPECT_EQ(xvid->bframes, 0);
    EXPECT_EQ(xvid->preset + xvid->tune + xvid->profile, "");
    EXPECT_EQ(xvid->mux, "matroska");
    EXPECT_EQ(xvid->overlayText, "");
    EXPECT_FALSE(xvid->dxgiAllowed);
    EXPECT_FALSE(xvid->hardwareAllowed);

    s.vcodec = 2;
    EXPECT_FALSE(MakeVideoParams(s));

    auto aac = MakeAudioParams(s);
    ASSERT_TRUE(aac);
    EXPECT_EQ(aac->name, "aac");
    EXPECT_EQ(aac->channels, 2);
    EXPECT_EQ(aac->sampleFormat, 8);
    EXPECT_EQ(aac->sampleRate, 44100);
    EXPECT_EQ(aac->bitRate, 131072);
    EXPECT_TRUE(aac->noiseSuppression);
    s.acodec = 1;
    EXPECT_FALSE(MakeAudioParams(s));
}

TEST(CaptureNaming, ExistingFilesAreNeverReused) {
    const fs::path folder = fs::temp_directory_path() / "zovi-naming-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::wstring base = Utf8ToWide((folder / "Zovi录屏-20261210-090507.mp4").string());
    EXPECT_EQ(MakeUniqueFileName(base), base);
    std::ofstream(WideToUtf8(base)) << "x";
    const std::wstring first = MakeUniqueFileName(base);
    EXPECT_EQ(first, Utf8ToWide((folder / "Zovi录屏-20261210-090507-1.mp4").string()));
    std::ofstream(WideToUtf8(first)) << "x";
    EXPECT_EQ(MakeUniqueFileName(base),
              Utf8ToWide((folder / "Zovi录屏-20261210-090507-2.mp4").string()));
    const std::wstring bare = Utf8ToWide((folder / "noext").string());
    std::ofstream(WideToUtf8(bare)) << "x";
    EXPECT_EQ(MakeUniqueFileName(bare), bare + L"-1");
    fs::remove_all(folder);
}
