// The program's pure-call hook: the C++ runtime calls this for a call to a pure virtual
// function. A definition in the program takes precedence over the runtime's own.
#include "app/crash_hooks.h"

extern "C" void __cxa_pure_virtual() { PurecallHandler(); }
