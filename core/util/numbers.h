// Rounding and range mapping.
#pragma once

// The nearest integral value; halves go away from zero (2.5 -> 3, -2.5 -> -3).
double RoundHalfAwayFromZero(double value);
// y0 + (x - x0) * (y1 - y0) / (x1 - x0), limited to the range between y0 and y1; y1 when
// x0 equals x1.
double MapRangeClamped(double x, double x0, double x1, double y0, double y1);
