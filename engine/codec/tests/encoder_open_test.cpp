#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

#include "engine/codec/codec_param.h"
#include "engine/codec/encoder_open.h"
#include "engine/util/tests/av_log_capture.h"

namespace zovi::engine {
namespace {

using testing::AvLogCapture;

std::shared_ptr<CodecParam> X264Params(bool hardware) {
    auto param = std::make_shared<CodecParamX264>();
    param->GetEncoderName();
    param->qmin = 10;
    param->qmax = 40;
    param->gop = 50;
    param->fps = 15;
    param->bframes = 2;
    param->preset = "veryfast";
    param->tune = "film";
    param->profile = "high";
    param->hardwareAllowed = hardware;
    return param;
}

std::shared_ptr<CodecParam> XvidParams() {
    auto param = std::make_shared<CodecParamXvid>();
    param->GetEncoderName();
    param->qmin = 2;
    param->qmax = 31;
    param->gop = 30;
    param->fps = 25;
    return param;
}

std::vector<std::string> Attempts(const AvLogCapture& capture) {
    std::vector<std::string> attempts;
    for (const auto& line : capture.Lines())
        if (line.text.rfind("try to open", 0) == 0) attempts.push_back(line.text);
    return attempts;
}

TEST(EncoderChoice, TriesHardwareFirstOnlyWhenAllowed) {
    struct Case {
        std::shared_ptr<CodecParam> param;
        std::vector<std::string> attempts;
        const char* opened;
    } cases[] = {
        {X264Params(true),
         {"try to open nvenc-encoder!", "try to open qsv-encoder!", "try to open x264-encoder!"},
         "libx264"},
        {X264Params(false), {"try to open x264-encoder!"}, "libx264"},
        {XvidParams(), {"try to open xvid-encoder!"}, "libxvid"},
    };
    for (const Case& c : cases) {
        AvLogCapture capture;
        CodecContextPtr context = OpenVideoEncoder(*c.param, 320, 240);
        ASSERT_TRUE(context) << c.param->encoder;
        EXPECT_EQ(Attempts(capture), c.attempts);
        EXPECT_STREQ(context->codec->name, c.opened);
        if (!c.param->hardwareAllowed) {
            EXPECT_FALSE(capture.Contains("nvenc"));
            EXPECT_FALSE(capture.Contains("qsv"));
        }
    }
}

TEST(EncoderChoice, UnknownEncoderOrBadSizeFails) {
    auto param = X264Params(false);
    param->encoder = "libx265";
    EXPECT_FALSE(OpenVideoEncoder(*param, 320, 240));
    param = X264Params(false);
    EXPECT_FALSE(OpenVideoEncoder(*param, 0, 240));
    param->fps = 0;
    EXPECT_FALSE(OpenVideoEncoder(*param, 320, 240));
}

TEST(EncoderChoice, OpenContextsCarryTheParameters) {
    struct Case {
        std::shared_ptr<CodecParam> param;
        AVPixelFormat pixelFormat;
        int bFrames;
        int64_t bitRate;  // as the library leaves it
    } cases[] = {
        {X264Params(false), AV_PIX_FMT_YUV420P, 2, 0},
        {XvidParams(), AV_PIX_FMT_YUV420P, 0, 200000},
    };
    for (const Case& c : cases) {
        CodecContextPtr context = OpenVideoEncoder(*c.param, 640, 360);
        ASSERT_TRUE(context);
        EXPECT_EQ(context->width, 640);
        EXPECT_EQ(context->height, 360);
        EXPECT_EQ(context->pix_fmt, c.pixelFormat);
        EXPECT_EQ(context->gop_size, c.param->gop);
        EXPECT_EQ(context->qmin, c.param->qmin);
        EXPECT_EQ(context->qmax, c.param->qmax);
        EXPECT_EQ(context->max_b_frames, c.bFrames);
        EXPECT_EQ(context->time_base.num, 1);
        EXPECT_EQ(context->time_base.den, c.param->fps);
        EXPECT_TRUE(context->flags & AV_CODEC_FLAG_GLOBAL_HEADER);
        EXPECT_GT(context->extradata_size, 0);
        EXPECT_EQ(context->bit_rate, c.bitRate);
    }
}

TEST(EncoderChoice, X264TakesTheNamedSettings) {
    auto param = X264Params(false);
    param->profile = "baseline";
    param->bframes = 3;
    CodecContextPtr context = OpenVideoEncoder(*param, 320, 240);
    ASSERT_TRUE(context);
    // The sequence header in the extradata (Annex B: 00 00 00 01 67 profile_idc ...).
    ASSERT_GE(context->extradata_size, 6);
    EXPECT_EQ(context->extradata[4] & 0x1F, 7);
    EXPECT_EQ(context->extradata[5], FF_PROFILE_H264_BASELINE);
    param->preset = "no-such-preset";
    AvLogCapture capture;
    EXPECT_FALSE(OpenVideoEncoder(*param, 320, 240));
    EXPECT_EQ(capture.Matching("open encoder error:").size(), 1u);
}

TEST(EncoderChoice, NvencAcceptsTheZeroLatencyTuneByItsOwnName) {
    const AVCodec* nvenc = avcodec_find_encoder_by_name("h264_nvenc");
    if (!nvenc) GTEST_SKIP() << "FFmpeg built without NVENC";
    AVCodecContext* context = avcodec_alloc_context3(nvenc);
    ASSERT_TRUE(context);
    EXPECT_GE(av_opt_set(context->priv_data, "tune", "ull", 0), 0);
    EXPECT_LT(av_opt_set(context->priv_data, "tune", "zerolatency", 0), 0);
    for (auto [key, value] :
         {std::pair{"preset", "medium"}, {"profile", "main"}, {"rc", "cbr"}, {"qp", "25"}})
        EXPECT_GE(av_opt_set(context->priv_data, key, value, 0), 0) << key;
    avcodec_free_context(&context);
}

TEST(AudioEncoder, OpensAacFromTheRecord) {
    AudioCodecParam param{"aac", 2, AV_SAMPLE_FMT_FLTP, 44100, 128000, false};
    CodecContextPtr context = OpenAudioEncoder(param);
    ASSERT_TRUE(context);
    EXPECT_EQ(context->codec_id, AV_CODEC_ID_AAC);
    EXPECT_EQ(context->ch_layout.nb_channels, 2);
    EXPECT_EQ(context->sample_fmt, AV_SAMPLE_FMT_FLTP);
    EXPECT_EQ(context->sample_rate, 44100);
    EXPECT_EQ(context->bit_rate, 128000);
    EXPECT_EQ(context->profile, FF_PROFILE_AAC_MAIN);
    EXPECT_EQ(context->block_align, 4);
    EXPECT_EQ(context->time_base.den, 44100);
    EXPECT_EQ(context->frame_size, 1024);
    EXPECT_GT(context->extradata_size, 0);
}

TEST(AudioEncoder, FailuresAreLogged) {
    const AudioCodecParam cases[] = {
        {"aac", 0, AV_SAMPLE_FMT_FLTP, 44100, 128000, false},
        {"aac", 2, AV_SAMPLE_FMT_FLTP, 0, 128000, false},
        {"aac", 2, AV_SAMPLE_FMT_U8, 44100, 128000, false},  // a format AAC cannot take
    };
    for (const AudioCodecParam& param : cases) {
        AvLogCapture capture;
        EXPECT_FALSE(OpenAudioEncoder(param));
        EXPECT_TRUE(capture.Contains("CCaptureImpl::AddAudioCodec fail"));
    }
}

TEST(CodecParam, NewRecordsAreEmptyAndNameTheirEncoder) {
    CodecParamX264 x264;
    EXPECT_TRUE(x264.encoder.empty());
    EXPECT_EQ(x264.qmin + x264.qmax + x264.gop + x264.fps + x264.bframes, 0);
    EXPECT_FALSE(x264.hardwareAllowed);
    EXPECT_TRUE(x264.GetEncoderName());
    EXPECT_EQ(x264.encoder, "libx264");
    CodecParamXvid xvid;
    EXPECT_TRUE(xvid.GetEncoderName());
    EXPECT_EQ(xvid.encoder, "libxvid");
}

TEST(CodecParam, DescribeLogsEveryField) {
    struct Case {
        std::shared_ptr<CodecParam> param;
        const char* mux;
        const char* line;
    } cases[] = {
        {X264Params(true), "mp4",
         "encoder=libx264 qmin=10 qmax=40 gop=50 fps=15 bframes=2 preset=veryfast tune=film "
         "profile=high mux=mp4"},
        {XvidParams(), "avi",
         "encoder=libxvid qmin=2 qmax=31 gop=30 fps=25 bframes=0 preset= tune= profile= mux=avi"},
    };
    for (const Case& c : cases) {
        AvLogCapture capture;
        c.param->Describe(c.mux);
        ASSERT_EQ(capture.Lines().size(), 1u);
        EXPECT_EQ(capture.Lines()[0].text, c.line);
    }
}

TEST(CodecParam, NameTablesByValue) {
    EXPECT_EQ(VideoCodecNames(), (std::vector<std::string>{"h264", "mpeg4"}));
    ASSERT_EQ(X264PresetNames().size(), 10u);
    EXPECT_EQ(X264PresetNames()[0], "ultrafast");
    EXPECT_EQ(X264PresetNames()[5], "medium");
    EXPECT_EQ(X264PresetNames()[9], "placebo");
    ASSERT_EQ(X264TuneNames().size(), 8u);
    EXPECT_EQ(X264TuneNames()[0], "film");
    EXPECT_EQ(X264TuneNames()[7], "zerolatency");
    ASSERT_EQ(X264ProfileNames().size(), 6u);
    EXPECT_EQ(X264ProfileNames()[0], "baseline");
    EXPECT_EQ(X264ProfileNames()[5], "high444");
    // Every preset, tune and profile name is one libx264 accepts.
    const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
    ASSERT_TRUE(x264);
    AVCodecContext* context = avcodec_alloc_context3(x264);
    for (const auto& name : X264PresetNames())
        EXPECT_GE(av_opt_set(context->priv_data, "preset", name.c_str(), 0), 0) << name;
    avcodec_free_context(&context);
}

}  // namespace
}  // namespace zovi::engine
