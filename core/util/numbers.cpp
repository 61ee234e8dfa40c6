#include "core/util/numbers.h"

#include <algorithm>
#include <cmath>

double RoundHalfAwayFromZero(double value) { return std::round(value); }

double MapRangeClamped(double x, double x0, double x1, double y0, double y1) {
    if (x0 == x1) return y1;
    const double y = y0 + (x - x0) * (y1 - y0) / (x1 - x0);
    return std::clamp(y, std::min(y0, y1), std::max(y0, y1));
}
