// CRITICAL_SECTION: a recursive lock, as the system's critical sections are re-entrant.
#pragma once
#include <mutex>

using CRITICAL_SECTION = std::recursive_mutex;
