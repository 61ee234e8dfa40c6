// Adds entries to the signed-out user's capture history, closing the store after each
// (as separate writers would), and prints how many adds succeeded. Arguments: a tag that
// names the entries ("<tag>-<n>.mp4") and the number of entries.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/history/capture_history.h"
#include "platform/base/utf8.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string tag = argv[1];
    const int count = std::atoi(argv[2]);
    auto* history = zovi::engine::CCaptureHistory::GetInstance();
    int added = 0;
    for (int i = 0; i < count; ++i) {
        const std::string path = "/nonexistent/" + tag + "-" + std::to_string(i) + ".mp4";
        if (history->AddRecord(zovi::platform::DecodeUtf8Lossless(path), i, 0)) ++added;
        history->Flush();
    }
    std::printf("%d\n", added);
    return 0;
}
