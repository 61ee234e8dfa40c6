// A small RAM disk (tmpfs) for a test that fills the disk: mounted on a fresh folder under
// the temporary folder, unmounted and removed again on destruction. Mounting needs root
// (CAP_SYS_ADMIN); without it `mounted()` is false and `error()` says why.
#pragma once
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace zovi::testing {

class SmallDisk {
public:
    explicit SmallDisk(size_t bytes) {
        char folder[] = "/tmp/zovi_small_disk_XXXXXX";
        if (!mkdtemp(folder)) {
            error_ = std::string("mkdtemp: ") + std::strerror(errno);
            return;
        }
        path_ = folder;
        const std::string size = "size=" + std::to_string(bytes);
        if (mount("tmpfs", folder, "tmpfs", MS_NOSUID | MS_NODEV, size.c_str()) != 0) {
            error_ = std::string("mount tmpfs: ") + std::strerror(errno);
            return;
        }
        mounted_ = true;
    }
    ~SmallDisk() {
        if (mounted_) umount2(path_.c_str(), MNT_DETACH);
        if (!path_.empty()) rmdir(path_.c_str());
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::string error_;
    bool mounted_ = false;
};

}  // namespace zovi::testing
