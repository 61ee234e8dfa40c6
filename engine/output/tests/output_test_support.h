// Shared pieces of the output tests: a scratch folder and stream facts given directly.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/output/capture_ffm_output.h"

namespace zovi::engine::testing {

namespace fs = std::filesystem;

class ScratchDir {
public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        path_ =
            fs::temp_directory_path() / ("zovi_output_" + std::to_string(getpid()) + "_" + name);
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

inline std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteScript(const fs::path& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
}

// Stream facts given directly, with chosen extradata.
class FixedStreams : public ICaptureFFMCallback {
public:
    bool video = true, sound = true;
    std::vector<uint8_t> videoExtra{0, 0, 0, 1, 0x67, 0x64};
    std::vector<uint8_t> soundExtra{0x12, 0x10};

    bool HasVideo() override { return video; }
    void GetVideoExtraData(std::vector<uint8_t>& bytes) override { bytes = videoExtra; }
    void GetVideoStreamInfo(std::string& name, int& width, int& height, int64_t& bitRate,
                            int& timeBaseDen) override {
        name = "h264", width = 320, height = 240, bitRate = 0, timeBaseDen = 15;
    }
    bool HasAudio() override { return sound; }
    void GetAudioExtraData(std::vector<uint8_t>& bytes) override { bytes = soundExtra; }
    void GetAudioStreamInfo(std::string& name, int& channels, int& sampleRate, int64_t& bitRate,
                            int& sampleFormat) override {
        name = "aac", channels = 2, sampleRate = 44100, bitRate = 131072, sampleFormat = 8;
    }
};

}  // namespace zovi::engine::testing
