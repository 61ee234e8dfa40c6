#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/process/process.h"
#include "platform/registry/registry.h"

namespace fs = std::filesystem;
using namespace zovi::platform;

namespace {

// Each test gets its own store under a fresh XDG_CONFIG_HOME.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zovi-registry-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        TakeRegistryDamageReports();
    }
    void TearDown() override { fs::remove_all(folder_); }

    static HKEY Create(const wchar_t* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    static std::vector<BYTE> Query(HKEY key, const wchar_t* name, DWORD* type, LONG* status) {
        DWORD size = 0;
        *status = RegQueryValueExW(key, name, nullptr, type, nullptr, &size);
        std::vector<BYTE> data(size);
        if (*status == ERROR_SUCCESS)
            *status = RegQueryValueExW(key, name, nullptr, type, data.data(), &size);
        return data;
    }
    static std::string FileText() {
        std::ifstream in(RegistryStorePath());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string folder_;
};

std::vector<BYTE> Bytes(const void* data, size_t size) {
    auto* bytes = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(bytes, bytes + size);
}

std::vector<BYTE> WideBytes(const std::wstring& text) {
    return Bytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

TEST_F(RegistryTest, TypedValuesRoundTripThroughTheFile) {
    const DWORD dword = 0xFFFF0000u;
    const std::uint64_t qword = 0x0102030405060708ull;
    const BYTE binary[44] = {44, 0, 0, 0, 1, 2, 3, 250};
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> data;
    } cases[] = {
        {L"wb_color", REG_DWORD, Bytes(&dword, 4)},
        {L"LastVersion", REG_QWORD, Bytes(&qword, 8)},
        {L"saveVideoPath", REG_SZ, WideBytes(L"/home/u/Videos/Zovi录屏/")},
        {L"Expand", REG_EXPAND_SZ, WideBytes(L"%HOME%")},
        {L"Empty", REG_SZ, WideBytes(L"")},
        {L"CaptureConfigWindow", REG_BINARY, Bytes(binary, sizeof(binary))},
        {L"NoZero", REG_SZ, Bytes(L"ab", 2 * sizeof(wchar_t))},  // kept as raw bytes
        {L"OddDword", REG_DWORD, Bytes(&dword, 2)},
    };
    HKEY key = Create(L"Software\\Larnet\\Zovik\\whiteboard");
    for (const auto& c : cases)
        ASSERT_EQ(RegSetValueExW(key, c.name, 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS)
            << c.name;
    RegCloseKey(key);
    key = Create(L"Software\\Larnet\\Zovik\\whiteboard");
    for (const auto& c : cases) {
        DWORD type = REG_NONE;
        LONG status;
        EXPECT_EQ(Query(key, c.name, &type, &status), c.data) << c.name;
        EXPECT_EQ(status, ERROR_SUCCESS) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
    }
    RegCloseKey(key);
    // Human-readable: numbers and texts appear as such.
    const std::string text = FileText();
    EXPECT_NE(text.find("\"value\" : 4294901760"), std::string::npos) << text;
    EXPECT_NE(text.find("/home/u/Videos/Zovi录屏/"), std::string::npos) << text;
}

TEST_F(RegistryTest, NamesMatchWithoutCaseAndKeepTheirCase) {
    HKEY key = Create(L"Software\\Larnet\\Zovik\\X264");
    const DWORD fps = 30;
    ASSERT_EQ(RegSetValueExW(key, L"FPS", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&fps), 4), ERROR_SUCCESS);
    RegCloseKey(key);

    HKEY lower = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"software\\LARNET\\zovik\\x264", 0, KEY_READ, &lower),
              ERROR_SUCCESS);
    DWORD type;
    LONG status;
    EXPECT_EQ(Query(lower, L"fps", &type, &status), Bytes(&fps, 4));
    // A write through another spelling replaces the value, keeping its first spelling.
    const DWORD other = 60;
    ASSERT_EQ(RegSetValueExW(lower, L"Fps", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&other), 4), ERROR_SUCCESS);
    RegCloseKey(lower);
    const std::string text = FileText();
    EXPECT_NE(text.find("\"FPS\""), std::string::npos);
    EXPECT_EQ(text.find("\"Fps\""), std::string::npos);
    EXPECT_NE(text.find("Software\\\\Larnet\\\\Zovik\\\\X264"), std::string::npos);
}

TEST_F(RegistryTest, KeysOpenOnlyWhenPresentAndQueriesReportSizes) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Larnet\\Zovik", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Larnet\\Zovik\\hotkey", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Larnet", 0, KEY_READ, &key), ERROR_SUCCESS)
        << "parents are created with the key";
    RegCloseKey(key);

    key = Create(L"Software\\Larnet\\Zovik");
    const std::vector<BYTE> text = WideBytes(L"zh-CN");
    ASSERT_EQ(RegSetValueExW(key, L"lang", 0, REG_SZ, text.data(), static_cast<DWORD>(text.size())), ERROR_SUCCESS);
    BYTE small[4];
    DWORD size = sizeof(small);
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"lang", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, text.size());
    EXPECT_EQ(RegQueryValueExW(key, L"missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryTest, DeletesValuesAndSubtrees) {
    const DWORD one = 1;
    for (const wchar_t* path : {L"Software\\Larnet\\Zovik", L"Software\\Larnet\\Zovik\\x100",
                                L"Software\\Larnet\\Zovik\\x100\\WindowPlacement",
                                L"Software\\Larnet\\Zovik\\x1000"}) {
        HKEY key = Create(path);
        ASSERT_EQ(RegSetValueExW(key, L"LastScaleFactor", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    HKEY root = Create(L"Software\\Larnet\\Zovik");
    EXPECT_EQ(RegDeleteValueW(root, L"lastscalefactor"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(root, L"LastScaleFactor"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeW(root, L"X100"), ERROR_SUCCESS);
    RegCloseKey(root);

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Larnet\\Zovik\\x100", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Larnet\\Zovik\\x100\\WindowPlacement", 0,
                            KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Larnet\\Zovik\\x1000", 0, KEY_READ, &key),
              ERROR_SUCCESS)
        << "a sibling whose name starts the same way stays";
    DWORD type;
    LONG status;
    Query(key, L"LastScaleFactor", &type, &status);
    EXPECT_EQ(status, ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryTest, CountsValueWrites) {
    HKEY key = Create(L"Software\\Larnet\\Zovik");
    const std::uint64_t before = RegistryValueWriteCount();
    const DWORD value = 7;
    ASSERT_EQ(RegSetValueExW(key, L"a", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, L"b", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4), ERROR_SUCCESS);
    EXPECT_EQ(RegistryValueWriteCount(), before + 2);
    RegCloseKey(key);
}

TEST_F(RegistryTest, DamagedFileIsMovedAsideReportedAndTheStoreStartsEmpty) {
    const std::string cases[] = {
        "{\n  \"keys\" : {\n    \"Software\\\\Larnet\\\\Zovik\" : {\n      \"lang\" : {\"type\" : \"REG_SZ\", \"val",
        std::string("\x00\x7f\xfe garbage \x01", 14),
        "[1, 2, 3]",
        "{\"keys\" : {\"Software\" : 5}}",
    };
    for (const std::string& content : cases) {
        for (const auto& entry : fs::directory_iterator(folder_)) fs::remove_all(entry);
        fs::create_directories(folder_ + "/zovi");
        std::ofstream(RegistryStorePath(), std::ios::binary) << content;

        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Larnet\\Zovik", 0, KEY_READ, &key),
                  ERROR_FILE_NOT_FOUND);
        const auto reports = TakeRegistryDamageReports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find(L"moved aside"), std::wstring::npos);

        std::vector<fs::path> aside;
        for (const auto& entry : fs::directory_iterator(folder_ + "/zovi"))
            if (entry.path().filename().string().find("registry.json.damaged-") == 0)
                aside.push_back(entry.path());
        ASSERT_EQ(aside.size(), 1u);
        std::ifstream kept(aside[0], std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), content);

        key = Create(L"Software\\Larnet\\Zovik");
        const DWORD value = 3;
        EXPECT_EQ(RegSetValueExW(key, L"MuxFmt", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_TRUE(TakeRegistryDamageReports().empty());
    }
}

// Writers in other processes and threads never erase each other's values.
constexpr int kWritesPerWriter = 20;

void WriteValues(const std::string& prefix) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Larnet\\Zovik", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (DWORD i = 0; i < kWritesPerWriter; ++i) {
        const std::wstring name = std::wstring(prefix.begin(), prefix.end()) + std::to_wstring(i);
        ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4),
                  ERROR_SUCCESS);
    }
    RegCloseKey(key);
}

// Runs as a child process of ConcurrentWritersKeepEveryValue only.
TEST(RegistryChild, WriteValues) {
    const char* prefix = std::getenv("ZOVI_REGISTRY_CHILD_PREFIX");
    if (prefix == nullptr) GTEST_SKIP() << "only run as a child process";
    WriteValues(prefix);
}

TEST_F(RegistryTest, ConcurrentWritersKeepEveryValue) {
    std::vector<std::unique_ptr<ChildProcess>> children;
    const char* prefixes[] = {"procA_", "procB_", "procC_"};
    for (const char* prefix : prefixes) {
        setenv("ZOVI_REGISTRY_CHILD_PREFIX", prefix, 1);
        children.push_back(ChildProcess::Start(
            {SelfExePath(), "--gtest_filter=RegistryChild.WriteValues"}, {}));
        ASSERT_NE(children.back(), nullptr);
    }
    unsetenv("ZOVI_REGISTRY_CHILD_PREFIX");
    std::vector<std::thread> threads;
    for (const char* prefix : {"threadA_", "threadB_"})
        threads.emplace_back([prefix] { WriteValues(prefix); });
    // A reader meanwhile sees each value missing or whole, from the shared parsed state.
    std::atomic<bool> writing{true};
    std::thread reader([&writing] {
        HKEY key = nullptr;
        while (writing && key == nullptr)
            RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Larnet\\Zovik", 0, KEY_READ, &key);
        while (writing && key != nullptr) {
            for (DWORD i = 0; i < kWritesPerWriter; ++i) {
                const std::wstring name = L"threadA_" + std::to_wstring(i);
                DWORD type = 0, value = 0, size = sizeof(value);
                const LONG status =
                    RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
                if (status == ERROR_SUCCESS) EXPECT_EQ(value, i);
                else EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
            }
        }
        if (key != nullptr) RegCloseKey(key);
    });
    for (auto& thread : threads) thread.join();
    writing = false;
    reader.join();
    for (auto& child : children) {
        ASSERT_TRUE(child->Wait(60000));
        EXPECT_EQ(child->ExitCode(), 0);
    }

    HKEY key = Create(L"Software\\Larnet\\Zovik");
    for (const char* prefix : {"procA_", "procB_", "procC_", "threadA_", "threadB_"}) {
        for (DWORD i = 0; i < kWritesPerWriter; ++i) {
            const std::string name = prefix + std::to_string(i);
            DWORD type;
            LONG status;
            const auto data = Query(key, std::wstring(name.begin(), name.end()).c_str(), &type, &status);
            EXPECT_EQ(status, ERROR_SUCCESS) << name;
            EXPECT_EQ(data, Bytes(&i, 4)) << name;
        }
    }
    RegCloseKey(key);
}

// The faults this guards: a store that was a FIFO hung start-up, a link to /dev/zero grew
// memory without bound, and a very large file was read and parsed at every start.
TEST_F(RegistryTest, AFileThatIsNotASmallRegularFileCountsAsDamaged) {
    const struct {
        const char* name;
        std::function<void(const std::string& path)> make;
    } cases[] = {
        {"a FIFO", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"a link to /dev/zero", [](const std::string& path) { fs::create_symlink("/dev/zero", path); }},
        {"a folder", [](const std::string& path) { fs::create_directory(path); }},
        {"a valid store of more than 16 MiB",
         [](const std::string& path) {
             std::ofstream(path, std::ios::binary) << "{\"keys\" : {}}" << std::string((16 << 20) + 1, ' ');
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& entry : fs::directory_iterator(folder_)) fs::remove_all(entry);
        fs::create_directories(folder_ + "/zovi");
        c.make(RegistryStorePath());

        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Larnet\\Zovik", 0, KEY_READ, &key),
                  ERROR_FILE_NOT_FOUND);
        const auto reports = TakeRegistryDamageReports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find(L"moved aside"), std::wstring::npos);
        EXPECT_FALSE(fs::exists(fs::symlink_status(RegistryStorePath())));

        key = Create(L"Software\\Larnet\\Zovik");
        const DWORD value = 2;
        EXPECT_EQ(RegSetValueExW(key, L"MuxFmt", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
                  ERROR_SUCCESS);
        DWORD type = 0;
        LONG status = 0;
        EXPECT_EQ(Query(key, L"MuxFmt", &type, &status), Bytes(&value, 4));
        RegCloseKey(key);
        EXPECT_TRUE(fs::is_regular_file(RegistryStorePath()));
    }
}

// Runs as a child process of TemporaryFilesOfDeadWritersAreRemoved only: opens the store
// once, as a starting program does.
TEST(RegistryChild, OpenStore) {
    if (std::getenv("ZOVI_REGISTRY_CHILD_OPEN") == nullptr) GTEST_SKIP() << "only run as a child process";
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key);
    if (key != nullptr) RegCloseKey(key);
}

// The fault this guards: writers killed mid-save left "registry.json.<pid>.tmp" files
// behind for ever.
TEST_F(RegistryTest, TemporaryFilesOfDeadWritersAreRemoved) {
    fs::create_directories(folder_ + "/zovi");
    auto ended = ChildProcess::Start({"/bin/true"}, {});
    ASSERT_NE(ended, nullptr);
    const pid_t deadPid = ended->Pid();
    ASSERT_TRUE(ended->Wait(60000));
    ended.reset();
    const std::string folder = folder_ + "/zovi/";
    const std::string dead = folder + "registry.json." + std::to_string(deadPid) + ".tmp";
    const std::string live = folder + "registry.json." + std::to_string(getpid()) + ".tmp";
    const std::string other = folder + "registry.json.notapid.tmp";
    for (const std::string& path : {dead, live, other}) std::ofstream(path) << "{\"keys\" : {";

    setenv("ZOVI_REGISTRY_CHILD_OPEN", "1", 1);
    auto child = ChildProcess::Start({SelfExePath(), "--gtest_filter=RegistryChild.OpenStore"}, {});
    unsetenv("ZOVI_REGISTRY_CHILD_OPEN");
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(child->Wait(60000));
    EXPECT_EQ(child->ExitCode(), 0);
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(live));   // its writer still runs
    EXPECT_TRUE(fs::exists(other));  // not a writer's file
}

}  // namespace
