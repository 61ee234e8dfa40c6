// Settings start-up benchmark (bench/settings.sh): the options record loads every stored
// value (about 230 reads) from a valid settings store of about 5 MB — the program's own
// values plus many keys of other data. Measured: loading after the file changed on disk
// (one parse) and loading again with the file unchanged (no parse, no copy).
// Last line: "settings: startup_ms=<n> warm_ms=<n> file_mb=<n>".
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/options/options.h"
#include "platform/registry/registry.h"

namespace {

using Clock = std::chrono::steady_clock;

// Adds keys of other data to the store file until it holds about `bytes`.
void GrowStore(const std::string& path, size_t bytes) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const size_t keys = text.find("\"keys\"");
    const size_t open = text.find('{', keys);
    if (keys == std::string::npos || open == std::string::npos) {
        std::fprintf(stderr, "unexpected store layout\n");
        std::exit(1);
    }
    std::string filler;
    const std::string payload(200, 'x');
    for (int key = 0; text.size() + filler.size() < bytes; ++key) {
        filler += "\"Software\\\\Other\\\\Data" + std::to_string(key) + "\" : {";
        for (int value = 0; value < 20; ++value) {
            if (value > 0) filler += ",";
            filler += "\"value" + std::to_string(value) + "\" : {\"type\" : \"REG_SZ\", \"value\" : \"" + payload + "\"}";
        }
        filler += "},\n";
    }
    text.insert(open + 1, "\n" + filler);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

double LoadMs() {
    const auto start = Clock::now();
    auto* options = new COptions;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    delete options;  // its save finds nothing changed
    return ms;
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

}  // namespace

int main() {
    char pattern[] = "/tmp/zovi-settings-bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string folder = pattern;
    setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    setenv("HOME", (folder + "/home").c_str(), 1);
    delete new COptions;  // a first start: every value written
    const std::string store = zovi::platform::RegistryStorePath();
    GrowStore(store, 5u << 20);
    const double megabytes = double(std::filesystem::file_size(store)) / (1 << 20);

    const std::uint64_t writesBefore = zovi::platform::RegistryValueWriteCount();
    std::vector<double> cold, warm;
    for (int run = 0; run < 9; ++run) {
        // A new modification time: the store is read and parsed again, as at a start.
        const timespec times[2] = {{0, UTIME_OMIT}, {1700000000 + run, 0}};
        utimensat(AT_FDCWD, store.c_str(), times, 0);
        cold.push_back(LoadMs());
        warm.push_back(LoadMs());
    }
    if (zovi::platform::RegistryValueWriteCount() != writesBefore) std::fprintf(stderr, "unexpected writes\n");
    std::filesystem::remove_all(folder);
    std::printf("settings: startup_ms=%.1f warm_ms=%.1f file_mb=%.1f\n", Median(cold), Median(warm), megabytes);
    return 0;
}
