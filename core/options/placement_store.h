// The window placements of the settings record at the screen scale: each placement is
// stored in the pixels of the scale at which it was saved ("WindowPlacement"), with a copy
// normalised to 100 percent ("x100\WindowPlacement") and that scale ("LastScaleFactor",
// only when not 100), so a start at another scale converts them.
#pragma once
#include <array>

#include "core/options/options.h"

namespace WindowPlacementStore {

// Reads the value `name` under "WindowPlacement": only a 44-byte binary is taken (and
// the entry marked valid); otherwise the entry is left as it was.
void Load(WindowPlacementEntry& entry, const wchar_t* name);
// After the loads: when the scale differs from the last save's, every valid entry becomes
// its 100-percent rectangle at the current scale, shown normally.
void RescaleOnStart(std::array<WindowPlacementEntry, 5>& entries);
// After the placements were written: at 100 percent removes the scale and the copies;
// otherwise writes the scale and each valid entry's 100-percent copy.
void SaveOnExit(const std::array<WindowPlacementEntry, 5>& entries);

}  // namespace WindowPlacementStore

// The fields of a stored placement (a WINDOWPLACEMENT's 44 bytes).
struct PlacementFields {
    UINT length;
    UINT flags;
    UINT showCmd;
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition;
};
static_assert(sizeof(PlacementFields) == kWindowPlacementSize);
PlacementFields ReadPlacementFields(const WindowPlacementEntry& entry);
void WritePlacementFields(WindowPlacementEntry& entry, const PlacementFields& fields);
