// The online service's API base (scheme and host, no trailing "/"): the program's own
// value, replaced by the environment variable ZOVI_API_BASE when that is set and not
// empty. 8-bit text.
#pragma once
#include <string>

std::string GetApiBase();
