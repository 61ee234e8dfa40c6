// How our own drawing lays out text: Han characters in their Simplified Chinese forms,
// grey antialiasing (no subpixel order: the same buffer may become a layered window),
// slight hinting and no hinted metrics, so widths stay the same from run to run.
#pragma once

typedef struct _PangoContext PangoContext;

namespace zovi::platform {

void ApplyUiTextOptions(PangoContext* context);

}  // namespace zovi::platform
