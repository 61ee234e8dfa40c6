#include "ui/base/window_placement.h"

#include <cstring>

#include "core/options/placement_store.h"
#include "platform/screen/rect_ops.h"
#include "ui/base/window_helpers.h"

namespace {

void ShowCentred(DuiLib::WindowImplBase& window) {
    window.ShowWindow(true, true);
    window.CenterWindow();
}

}  // namespace

void RestoreWindowPlacement(DuiLib::WindowImplBase& window, const WindowPlacementEntry& entry) {
    const PlacementFields saved = ReadPlacementFields(entry);
    if (!entry.valid || zovi::platform::IsRectEmpty(saved.rcNormalPosition)) {
        ShowCentred(window);
        return;
    }
    RECT onScreen = saved.rcNormalPosition;
    if (!WorkspaceRectToScreen(onScreen) || !IsRectOnWorkArea(onScreen)) {
        ShowCentred(window);
        return;
    }
    WINDOWPLACEMENT placement{};
    static_assert(sizeof placement == sizeof saved);
    std::memcpy(&placement, &saved, sizeof placement);
    placement.showCmd = SW_SHOWNORMAL;
    window.SetWindowPlacement(&placement);
    if (saved.showCmd == 0) window.CenterWindow();
}

bool SaveWindowPlacement(DuiLib::WindowImplBase& window, WindowPlacementEntry& entry) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!window.GetWindowPlacement(&placement)) return false;
    PlacementFields fields{};
    std::memcpy(&fields, &placement, sizeof fields);
    WritePlacementFields(entry, fields);
    entry.valid = true;
    return true;
}
