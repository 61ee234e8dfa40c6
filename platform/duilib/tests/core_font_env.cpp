// Points fontconfig at the tests' font configuration (one CJK face and DejaVu) before
// any test runs, so text sizes are the same on every machine. Linked into every test
// program of the library that draws or measures text.
#include <cstdlib>

namespace {

const bool kFontConfigSet = [] {
    setenv("FONTCONFIG_FILE", ZOVI_SOURCE_DIR "/platform/duilib/tests/fonts.conf", 1);
    return true;
}();

}  // namespace
