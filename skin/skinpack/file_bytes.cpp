#include "skin/skinpack/file_bytes.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace zovi::skinpack {

bool ReadFileBytes(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot open " + path;
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        *error = "cannot read " + path;
        return false;
    }
    return true;
}

std::string PartialPath(const std::string& path) { return path + ".part"; }

bool CommitPartial(const std::string& path, std::string* error) {
    const std::string partial = PartialPath(path);
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        *error = "cannot replace " + path;
        return false;
    }
    return true;
}

bool WriteFileReplacing(const std::string& path, const std::string& text, std::string* error) {
    const std::string partial = PartialPath(path);
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::remove(partial.c_str());
            *error = "cannot write " + partial;
            return false;
        }
    }
    return CommitPartial(path, error);
}

}  // namespace zovi::skinpack
