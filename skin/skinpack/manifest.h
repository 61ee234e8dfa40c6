// The pack list: one entry a line, "<name in the archive><TAB><file on disk>". Blank
// lines are skipped.
#pragma once
#include <string>
#include <vector>

namespace zovi::skinpack {

struct PackEntry {
    std::string name;  // path inside the archive, "/"-separated
    std::string path;  // the file to store
};

bool ReadManifest(const std::string& path, std::vector<PackEntry>* entries, std::string* error);

}  // namespace zovi::skinpack
