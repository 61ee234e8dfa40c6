// The sound server's sources.
#pragma once
#include <string>
#include <vector>

namespace zovi::platform {

struct SoundSourceInfo {
    std::string name;         // the identifier used to open it
    std::string description;  // the name shown to people
    bool isMonitor = false;   // the monitor of a sink (playback sound), not a microphone
    bool unplugged = false;   // its active port reports nothing connected
};

// Lists every source in the server's order. False when the server cannot be reached.
bool ListSoundSources(std::vector<SoundSourceInfo>* sources);

}  // namespace zovi::platform
