// The D-Bus session bus as libraries we load see it (SDL connects to it).
#pragma once

namespace zovi::platform {

// Without a session bus address, libdbus "autolaunches" one: it forks a launcher from
// the calling process, and a fork from a process with many threads can hang in the
// child, leaving the caller blocked for ever on its pipe. When no address is set, this
// sets one that fails at once, so no library ever forks for it. Call it before any
// thread starts (it changes the environment).
void PreventSessionBusAutolaunch();

}  // namespace zovi::platform
