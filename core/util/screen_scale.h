// The screen's scale in percent: the larger of its horizontal and vertical dots per inch
// over 96, times 100, rounded half away from zero (120 dpi: 125).
#pragma once

// Measured once and kept: a later call (an exit without a display included) returns the
// same value. 100 while no measurement has succeeded.
int GetScreenDpiScalePercent();
// The scale for a resolution in dots per inch.
int ScalePercentFromDpi(int dpi);
// Forgets the kept value, so the next call measures again.
void ResetScreenScaleForTesting();
