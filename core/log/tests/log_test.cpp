#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}
#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/log/app_log.h"
#include "core/log/log_format.h"
#include "core/log/log_retention.h"
#include "core/log/logger.h"
#include "core/log/media_log.h"
#include "platform/base/utf8.h"
#include "platform/process/process.h"

namespace fs = std::filesystem;
using zovi::platform::DecodeUtf8Lossless;

namespace {

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/zovi-log-test-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() { fs::remove_all(path_); }
    const std::string& Path() const { return path_; }
    std::wstring Wide() const { return DecodeUtf8Lossless(path_); }

private:
    std::string path_;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

fs::path OnlyLogFile(const std::string& folder) {
    std::vector<fs::path> files;
    for (auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? fs::path() : files[0];
}

struct Collector : ILogListener {
    void OnLogLine(const wchar_t* text) override { lines.push_back(text); }
    std::vector<std::wstring> lines;
};

LogTime SampleTime(int offsetMinutes) {
    LogTime t;
    t.year = 2024, t.month = 5, t.day = 1;
    t.hour = 2, t.minute = 4, t.second = 6, t.millisecond = 7;
    t.utcOffsetMinutes = offsetMinutes;
    return t;
}

TEST(LogFormatTest, PrefixByFlagsAndLevel) {
    struct Case {
        std::uint32_t flags;
        int level, maxLevel;
        std::wstring expected;
    } cases[] = {
        {kAppLogFlags, LOG_LEVEL_INFO, 2, L"02:04:06 [INFO   ] [4321] [4330] "},
        {kAppLogFlags, LOG_LEVEL_DEBUG, 4, L"02:04:06.007 [DEBUG  ] [4321] [4330] "},
        {kAppLogFlags, LOG_LEVEL_WARNING, 2, L"02:04:06 [WARNING] [4321] [4330] "},
        {kAppLogFlags, LOG_LEVEL_ERROR, 3, L"02:04:06 [ERROR  ] [4321] [4330] "},
        {0x1 | 0x2, LOG_LEVEL_INFO, 2, L"2024/05/01 02:04 "},
        {0x1 | 0x2 | 0x4 | 0x8, LOG_LEVEL_INFO, 2, L"2024/05/01 02:04:06.007 "},
        {0x1, LOG_LEVEL_INFO, 2, L"2024/05/01 "},
        {0x10, LOG_LEVEL_INFO, 2, L" 0% "},
        {0, LOG_LEVEL_INFO, 2, L" "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CLogFmt(c.flags).Prefix(SampleTime(480), c.level, c.maxLevel, 4321, 4330), c.expected)
            << std::hex << c.flags << " max " << c.maxLevel;
    }
    EXPECT_EQ(CLogFmt(0x10).Prefix(SampleTime(0), 2, 2, 1, 1, 1, 3), L" 33% ");
    EXPECT_EQ(CLogFmt(0x10).Prefix(SampleTime(0), 2, 2, 1, 1, 5, 3), L" 100% ");
}

TEST(LogFormatTest, HeaderFooterAndFileName) {
    struct Case {
        int offsetMinutes;
        std::wstring offsetText;
    } cases[] = {
        {480, L"(UTC+8:00)"}, {0, L"(UTC+0:00)"}, {-300, L"(UTC-5:00)"},
        {-210, L"(UTC-3:30)"}, {600, L"(UTC+10:00)"}, {330, L"(UTC+5:30)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LogHeaderText(4321, SampleTime(c.offsetMinutes), 2),
                  L"[4321] Log opened on 2024/05/01 02:04:06 " + c.offsetText + L", logging level: [INFO   ]\n");
        EXPECT_EQ(LogFooterText(77, SampleTime(c.offsetMinutes)),
                  L"\n[77] Log closed on 2024/05/01 02:04:06 " + c.offsetText + L"\n");
    }
    EXPECT_EQ(LogHeaderText(1, SampleTime(0), 4), L"[1] Log opened on 2024/05/01 02:04:06 (UTC+0:00), logging level: [DEBUG  ]\n");
    EXPECT_EQ(LogFileName(SampleTime(0)), L"AppLog_2024-05-01.txt");
}

TEST(AppLogTest, DayFileHoldsHeaderLinesAndFooter) {
    TempFolder folder;
    const std::wstring logFolder = folder.Wide() + L"/Zovi/Log";  // made with its parents
    std::wstring openedPath;
    {
        CAppLog log;
        log.SetOpenedHook([&](const std::wstring& path) { openedPath = path; });
        ASSERT_TRUE(log.Open(logFolder));
        log.Info(L"wWinMain start[%s] app lang=%s!!!", L"dev-1", L"zh-CN");
        log.Error(L"path %s \x5f55\x5c4f", L"/a b");
        log.Debug(L"not at max level 2");
        log.Info(L"ends in a line feed %d\n", 5);
        log.Close();
    }
    const LogTime today = CurrentLogTime();
    const fs::path file = fs::path(folder.Path()) / "Zovi/Log" / zovi::platform::EncodeUtf8Lossless(LogFileName(today));
    EXPECT_EQ(openedPath, logFolder + L"/" + LogFileName(today));
    const std::string text = ReadAll(file);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF");
    std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 9u) << text;
    const std::string pid = std::to_string(getpid());
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("\\[" + pid +
        "\\] Log opened on \\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d \\(UTC[+-]\\d+:\\d\\d\\), logging level: \\[INFO   \\]")))
        << lines[0];
    EXPECT_EQ(lines[1], "");
    const std::string prefix = "\\d\\d:\\d\\d:\\d\\d \\[(INFO   |ERROR  )\\] \\[" + pid + "\\] \\[\\d+\\] ";
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(prefix + "wWinMain start\\[dev-1\\] app lang=zh-CN!!!")));
    EXPECT_TRUE(std::regex_match(lines[3], std::regex(prefix + "path /a b \xE5\xBD\x95\xE5\xB1\x8F")));
    EXPECT_TRUE(std::regex_match(lines[4], std::regex(prefix + "ends in a line feed 5")));
    EXPECT_EQ(lines[5], "");  // the message's own line feed
    EXPECT_EQ(lines[6], "");  // the footer's leading line feed
    EXPECT_TRUE(std::regex_match(lines[7], std::regex("\\[" + pid + "\\] Log closed on .*\\(UTC[+-]\\d+:\\d\\d\\)")));
    EXPECT_EQ(lines[8], "");
}

TEST(AppLogTest, MaxLevelDebugAddsMillisecondsAndLevelsAboveMaxAreNeverFormatted) {
    TempFolder folder;
    CAppLog log;
    Collector collector;
    log.AddListener(&collector);
    ASSERT_TRUE(log.Open(folder.Wide()));
    log.Debug(L"hidden %d", 1);
    log.Verbose(L"hidden %d", 2);
    log.Info(L"shown %d", 3);
    log.SetMaxLevel(LOG_LEVEL_DEBUG);
    log.Debug(L"debug %d", 4);
    log.RemoveListener(&collector);
    log.Info(L"after removal");
    ASSERT_EQ(collector.lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(collector.lines[0], std::wregex(L"\\d\\d:\\d\\d:\\d\\d \\[INFO   \\] .*shown 3")));
    EXPECT_TRUE(std::regex_match(collector.lines[1], std::wregex(L"\\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\[DEBUG  \\] .*debug 4")));
}

TEST(AppLogTest, OverLongLinesAreWrittenWhole) {
    TempFolder folder;
    const std::wstring longText(100 * 1024, L'x');
    {
        CAppLog log;
        ASSERT_TRUE(log.Open(folder.Wide()));
        log.Info(L"long %s end", longText.c_str());
    }
    const std::string text = ReadAll(OnlyLogFile(folder.Path()));
    EXPECT_NE(text.find(" long " + std::string(100 * 1024, 'x') + " end\n"), std::string::npos);
}

TEST(AppLogTest, OpenFailureStillFeedsListenersWithoutCrashing) {
    TempFolder folder;
    const std::string blocker = folder.Path() + "/file";
    std::ofstream(blocker) << "not a folder";
    CAppLog log;
    Collector collector;
    log.AddListener(&collector);
    std::wstring openedPath;
    log.SetOpenedHook([&](const std::wstring& path) { openedPath = path; });
    EXPECT_FALSE(log.Open(DecodeUtf8Lossless(blocker) + L"/Log"));
    log.Info(L"still %s", L"here");
    ASSERT_EQ(collector.lines.size(), 1u);
    EXPECT_NE(collector.lines[0].find(L"still here"), std::wstring::npos);
    EXPECT_TRUE(openedPath.empty());
    EXPECT_TRUE(log.Close());
}

TEST(AppLogTest, RetentionDeletesOnlyDayFilesOlderThanFourteenDays) {
    TempFolder folder;
    const std::int64_t now = 1'700'000'000;
    const std::int64_t day = 86'400;
    struct Case {
        const char* name;
        std::int64_t mtime;
        bool kept;
    } cases[] = {
        {"AppLog_2023-10-30.txt", now - 15 * day, false},
        {"AppLog_2023-10-31.txt", now - 14 * day - 1, false},
        {"AppLog_2023-11-01.txt", now - 14 * day, true},
        {"AppLog_2023-11-02.txt", now - 13 * day, true},
        {"AppLog_x.txt.bak", now - 30 * day, true},
        {"Other.txt", now - 30 * day, true},
    };
    for (const Case& c : cases) {
        const std::string path = folder.Path() + "/" + c.name;
        std::ofstream(path) << "x";
        timespec times[2] = {{static_cast<time_t>(c.mtime), 0}, {static_cast<time_t>(c.mtime), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    DeleteExpiredLogFiles(folder.Wide(), now);
    for (const Case& c : cases) EXPECT_EQ(fs::exists(folder.Path() + "/" + c.name), c.kept) << c.name;
}

TEST(AppLogTest, FFmpegAndSdlOutputIsRouted) {
    TempFolder folder;
    CAppLog log;
    Collector collector;
    log.AddListener(&collector);
    ASSERT_TRUE(log.Open(folder.Wide()));
    SetGlobalLogTarget(&log);
    av_log_set_callback(FFmpegLogCallback);
    av_log_set_level(AV_LOG_DEBUG);  // only the callback's own filter applies
    av_log(nullptr, AV_LOG_INFO, "information %d\n", 32);
    av_log(nullptr, AV_LOG_WARNING, "warning \xE5\xBD\x95 %s\n", "w");
    av_log(nullptr, AV_LOG_ERROR, "error %d\n", 16);
    SdlLogOutput(nullptr, 0, SDL_LOG_PRIORITY_VERBOSE, "sdl \xE5\xBD\x95");
    av_log_set_callback(av_log_default_callback);
    SetGlobalLogTarget(nullptr);
    GetGlobalLogger().Info(L"dropped once the target is gone");
    ASSERT_EQ(collector.lines.size(), 3u);
    EXPECT_TRUE(std::regex_match(collector.lines[0], std::wregex(L".*\\[INFO   \\] .*FFMPEG\\[24\\] warning \x5f55 w\n")));
    EXPECT_TRUE(std::regex_match(collector.lines[1], std::wregex(L".*\\[ERROR  \\] .*FFMPEG\\[16\\] error 16\n")));
    EXPECT_TRUE(std::regex_match(collector.lines[2], std::wregex(L".*\\[INFO   \\] .*SDL \\[1\\] sdl \x5f55, \n")));
}

TEST(AppLogTest, TwoProcessesWriteWholeLines) {
    TempFolder folder;
    const std::string helper = std::string(ZOVI_TEST_BIN_DIR) + "/core_log_writer";
    const int count = 3000;
    auto a = zovi::platform::ChildProcess::Start({helper, folder.Path(), "A", std::to_string(count)}, {});
    auto b = zovi::platform::ChildProcess::Start({helper, folder.Path(), "B", std::to_string(count)}, {});
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(a->Wait(60'000));
    ASSERT_TRUE(b->Wait(60'000));
    EXPECT_EQ(a->ExitCode(), 0);
    EXPECT_EQ(b->ExitCode(), 0);
    const std::regex body("\\d\\d:\\d\\d:\\d\\d \\[INFO   \\] \\[\\d+\\] \\[\\d+\\] ([AB]) (\\d+) ([AB]+)\\|");
    int seen[2] = {0, 0};
    for (const std::string& line : Lines(ReadAll(OnlyLogFile(folder.Path())))) {
        if (line.empty() || line.find("Log opened") != std::string::npos || line.find("Log closed") != std::string::npos) continue;
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, body)) << line.substr(0, 200);
        EXPECT_EQ(m[3].str().find_first_not_of(m[1].str()), std::string::npos);
        ++seen[m[1].str() == "B"];
    }
    EXPECT_EQ(seen[0], count);
    EXPECT_EQ(seen[1], count);
}

}  // namespace
