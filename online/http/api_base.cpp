#include "online/http/api_base.h"

#include <cstdlib>

namespace {

constexpr char kApiBase[] = "https://api.zovi.larnet.com";

}  // namespace

std::string GetApiBase() {
    const char* overridden = std::getenv("ZOVI_API_BASE");
    std::string base = (overridden != nullptr && *overridden != 0) ? overridden : kApiBase;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}
