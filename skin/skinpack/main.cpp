// skinpack: the build's skin tool.
//   skinpack pack <out.zip> <pack list>            the reproducible skin archive
//   skinpack sprite <out.png> <w> <h> <x>:<part.png>...   state images in one strip
//   skinpack shadow <out.png>                      the window shadow image
//   skinpack embed <in.zip> <out.cpp>              the archive as a C++ array
// Exits 0 on success; otherwise prints one line to stderr and exits 1 (2 for bad usage).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "skin/skinpack/embed.h"
#include "skin/skinpack/manifest.h"
#include "skin/skinpack/shadow.h"
#include "skin/skinpack/sprite.h"
#include "skin/skinpack/zip_pack.h"

namespace {

using namespace zovi::skinpack;

int Usage() {
    std::fputs(
        "usage: skinpack pack <out.zip> <pack list>\n"
        "       skinpack sprite <out.png> <width> <height> <x>:<part.png>...\n"
        "       skinpack shadow <out.png>\n"
        "       skinpack embed <in.zip> <out.cpp>\n",
        stderr);
    return 2;
}

// A whole decimal number, or false.
bool ParseInt(const std::string& text, int* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || parsed < -100000 || parsed > 100000) return false;
    *value = static_cast<int>(parsed);
    return true;
}

bool Sprite(const std::vector<std::string>& args, std::string* error) {
    int width = 0, height = 0;
    if (!ParseInt(args[1], &width) || !ParseInt(args[2], &height)) {
        *error = "bad sprite size " + args[1] + "x" + args[2];
        return false;
    }
    std::vector<SpritePart> parts;
    for (size_t i = 3; i < args.size(); ++i) {
        const size_t colon = args[i].find(':');
        SpritePart part;
        if (colon == std::string::npos || !ParseInt(args[i].substr(0, colon), &part.x)) {
            *error = "bad sprite part \"" + args[i] + "\" (expected <x>:<file>)";
            return false;
        }
        part.path = args[i].substr(colon + 1);
        parts.push_back(part);
    }
    return AssembleSprite(width, height, parts, args[0], error);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    std::string error;
    bool ok = false;
    if (command == "pack" && args.size() == 2) {
        std::vector<PackEntry> entries;
        ok = ReadManifest(args[1], &entries, &error) && PackArchive(entries, args[0], &error);
    } else if (command == "sprite" && args.size() >= 4) {
        ok = Sprite(args, &error);
    } else if (command == "shadow" && args.size() == 1) {
        ok = GenerateShadow(args[0], &error);
    } else if (command == "embed" && args.size() == 2) {
        ok = WriteEmbeddedSource(args[0], args[1], &error);
    } else {
        return Usage();
    }
    if (!ok) {
        std::fprintf(stderr, "skinpack %s: %s\n", command.c_str(), error.c_str());
        return 1;
    }
    return 0;
}
