// Helpers of the crash library's tests: files, folders, running the crash host.
#pragma once
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace crashtest {

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder for one test, of this process (test runs beside each other stay apart);
// removed when the test program ends.
inline std::string FreshFolder(const std::string& name) {
    static struct Made {
        std::vector<std::string> folders;
        ~Made() {
            for (const std::string& folder : folders) std::filesystem::remove_all(folder);
        }
    } made;
    std::string folder = testing::TempDir() + "crashrep_" + std::to_string(getpid()) + "_" + name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    made.folders.push_back(folder);
    return folder;
}

// The files of `folder` whose names end in `suffix`.
inline std::vector<std::string> FilesEndingIn(const std::string& folder, const std::string& suffix) {
    std::vector<std::string> found;
    if (!std::filesystem::exists(folder)) return found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

struct HostResult {
    bool finished = false;  // false: killed at the time limit
    int status = 0;         // waitpid status
};

// Runs `program` with `args` and the environment plus `extraEnv`, keeping descriptor
// `keepFd` (when >= 0) open in the child as descriptor 3, and its standard error in
// `stderrFile` when one is named. Kills it after `seconds`.
inline HostResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const std::vector<std::string>& extraEnv = {}, int seconds = 60,
                             int keepFd = -1, const std::string& stderrFile = "") {
    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
    envStore.insert(envStore.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (auto& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (keepFd >= 0) posix_spawn_file_actions_adddup2(&actions, keepFd, 3);
    if (!stderrFile.empty())
        posix_spawn_file_actions_addopen(&actions, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    HostResult result;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return result;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        pid_t done = waitpid(pid, &result.status, WNOHANG);
        if (done == pid) {
            result.finished = true;
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &result.status, 0);
    return result;
}

inline std::string HostPath() { return std::string(ZOVI_TEST_BIN_DIR) + "/crashrep_host"; }

// Waits until `path` has at least `lines` lines (an uploader writes it).
inline std::vector<std::string> WaitForLines(const std::string& path, size_t lines, int seconds = 20) {
    std::vector<std::string> result;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    do {
        result.clear();
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) result.push_back(line);
        if (result.size() >= lines) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return result;
}

}  // namespace crashtest
