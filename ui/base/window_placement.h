// Saving and restoring a window's placement in its entry of the settings record, and
// the mix-in that ties a window to its entry.
#pragma once
#include "core/options/options.h"
#include "platform/duilib/core/window/window_impl_base.h"

// Opens the window where its entry says: an entry that is not valid, has an empty normal
// rectangle, or lies off every monitor's work area shows the window centred instead.
// A saved show command 0 is applied as 1 and the window is then centred.
void RestoreWindowPlacement(DuiLib::WindowImplBase& window, const WindowPlacementEntry& entry);
// Copies the window's placement (length 44) into the entry and marks it valid; false
// (the entry untouched) when the placement cannot be read.
bool SaveWindowPlacement(DuiLib::WindowImplBase& window, WindowPlacementEntry& entry);

// A window's entry in the placement store, fixed at construction.
template <class T>
class CWindowPositionSaver {
public:
    explicit CWindowPositionSaver(WindowPlacementEntry* entry) : m_pPlacement(entry) {}
    CWindowPositionSaver(const CWindowPositionSaver&) = delete;
    CWindowPositionSaver& operator=(const CWindowPositionSaver&) = delete;

    WindowPlacementEntry* GetPlacementEntry() const { return m_pPlacement; }

protected:
    ~CWindowPositionSaver() = default;

    void RestorePosition() {
        if (m_pPlacement) RestoreWindowPlacement(static_cast<T&>(*this), *m_pPlacement);
    }
    bool SavePosition() { return m_pPlacement && SaveWindowPlacement(static_cast<T&>(*this), *m_pPlacement); }

    WindowPlacementEntry* const m_pPlacement;
};
