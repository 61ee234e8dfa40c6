// The fast screen source: one shared-memory image per monitor (MIT-SHM) that always
// holds the monitor's latest picture; only the rows that the X server reports as changed
// (DAMAGE) are copied again. A RandR screen change, or a copy the server refuses, means
// access is lost.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/screen/screen_connection.h"

namespace zovi::platform {

class CScreenDuplication {
public:
    enum class Acquire { NewImage, NoChange, AccessLost };

    // One image per rectangle (root coordinates, inside the root window). Null when
    // MIT-SHM, DAMAGE or XFixes is missing or the shared memory cannot be attached.
    static std::unique_ptr<CScreenDuplication> Create(CScreenConnection& connection,
                                                      const std::vector<RECT>& monitors);
    ~CScreenDuplication();
    CScreenDuplication(const CScreenDuplication&) = delete;
    CScreenDuplication& operator=(const CScreenDuplication&) = delete;

    // Never waits. The first acquire of each monitor always copies; later ones copy
    // only after damage was reported.
    Acquire AcquireMonitor(size_t index);
    bool HasImage(size_t index) const;
    // The monitor's latest picture: B,G,R,X pixels, `Pitch` bytes per row.
    const uint8_t* Data(size_t index) const;
    int Pitch(size_t index) const;

private:
    struct Monitor;
    explicit CScreenDuplication(CScreenConnection& connection);
    bool DrainEvents();  // false when the screen changed

    CScreenConnection& connection_;
    std::vector<std::unique_ptr<Monitor>> monitors_;
    unsigned long damage_ = 0;
    unsigned long damaged_ = 0;  // the changed parts taken from the damage
    int damageEventBase_ = 0;
    int randrEventBase_ = 0;
    bool screenChanged_ = false;
};

}  // namespace zovi::platform
