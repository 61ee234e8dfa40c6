#include "skin/skinpack/manifest.h"

#include <fstream>

namespace zovi::skinpack {

bool ReadManifest(const std::string& path, std::vector<PackEntry>* entries, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot open the pack list " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || tab + 1 == line.size()) {
            *error = path + ":" + std::to_string(number) + ": expected \"<name>\\t<file>\"";
            return false;
        }
        entries->push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return true;
}

}  // namespace zovi::skinpack
