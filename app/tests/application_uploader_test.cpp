#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/application_uploader.h"
#include "platform/http/tests/test_http_server.h"
#include "platform/process/process.h"

namespace {

using zovi::testing::CRawRecordingServer;
using zovi::testing::RecordedRequest;

class UploaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zovi-uploader-test-XXXXXX";
        folder_ = mkdtemp(pattern);
        package_ = folder_ + "/20261210-120000.zip";
        contents_ = std::string("PK\x03\x04 crash package \0\r\n--\xff", 26);
        std::ofstream(package_, std::ios::binary) << contents_;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    static std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

    // The request is the one PUT with the three parts in order, the package as the file.
    void ExpectPackageUpload(const RecordedRequest& sent) {
        EXPECT_EQ(sent.method, "PUT");
        EXPECT_EQ(sent.target, "/v1/app/dumpfileinfo");
        EXPECT_EQ(sent.Header("User-Agent"), "default");
        const std::string prefix = "multipart/form-data; boundary=";
        const std::string contentType = sent.Header("Content-Type");
        ASSERT_EQ(contentType.rfind(prefix, 0), 0u) << contentType;
        const std::string b = contentType.substr(prefix.size());
        const std::string expected =
            "--" + b + "\r\nContent-Disposition: form-data; name=\"version\"\r\n\r\n1.1.5\r\n" +
            "--" + b + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"20261210-120000.zip\"\r\n" +
            "Content-Type: application/octet-stream\r\n\r\n" + contents_ + "\r\n" +
            "--" + b + "\r\nContent-Disposition: form-data; name=\"platform\"\r\n\r\nwin\r\n" +
            "--" + b + "--\r\n";
        EXPECT_EQ(sent.body, expected);
    }

    std::string folder_;
    std::string package_;
    std::string contents_;
};

TEST_F(UploaderTest, UploadsThePackageAsThreeParts) {
    for (int status : {200, 500}) {
        CRawRecordingServer server(status);
        ASSERT_TRUE(server.Start());
        CApplicationUploader::UploadDumpFile(Wide(server.BaseUrl() + "/v1/app/dumpfileinfo"), Wide(package_));
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u) << status;
        ExpectPackageUpload(requests[0]);
        EXPECT_TRUE(std::filesystem::exists(package_));  // the package stays
    }
}

TEST_F(UploaderTest, SendsNothingWithoutAReadablePackage) {
    CRawRecordingServer server;
    ASSERT_TRUE(server.Start());
    const std::wstring url = Wide(server.BaseUrl() + "/v1/app/dumpfileinfo");
    for (const std::string& path : {std::string(), folder_ + "/missing.zip", folder_}) {
        CApplicationUploader::UploadDumpFile(url, Wide(path));
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(UploaderTest, RunUploadsToTheApiBaseAndSkipsTheMessageLoop) {
    CRawRecordingServer server;
    ASSERT_TRUE(server.Start());
    ::setenv("ZOVI_API_BASE", server.BaseUrl().c_str(), 1);
    CApplicationUploader withoutFile;
    EXPECT_FALSE(withoutFile.Run());
    EXPECT_TRUE(server.Requests().empty());
    CApplicationUploader uploader;
    uploader.params[PARAM_DMP_FILE] = Wide(package_);
    EXPECT_FALSE(uploader.Run());
    ::unsetenv("ZOVI_API_BASE");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    ExpectPackageUpload(requests[0]);
}

TEST_F(UploaderTest, TheProgramInUploaderModeSendsThePackageAndEnds) {
    const std::string program = std::string(ZOVI_BIN_DIR) + "/ZoviCapture";
    ASSERT_TRUE(std::filesystem::exists(program)) << program;
    CRawRecordingServer server;
    ASSERT_TRUE(server.Start());
    ::setenv("ZOVI_API_BASE", server.BaseUrl().c_str(), 1);
    const struct {
        std::vector<std::string> arguments;
        size_t requests;
    } cases[] = {
        {{"/uploader", "--dmp_file=" + package_}, 1},
        {{"/uploader"}, 0},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const size_t before = server.Requests().size();
        auto child = zovi::platform::ChildProcess::Start(argv, {});
        ASSERT_TRUE(child);
        // No message loop: the process ends on its own.
        ASSERT_TRUE(child->Wait(60000)) << argv.size();
        EXPECT_EQ(child->ExitCode(), 0);
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size() - before, c.requests);
        if (c.requests == 1) ExpectPackageUpload(requests.back());
    }
    ::unsetenv("ZOVI_API_BASE");
}

}  // namespace
