// ThreadSanitizer's suppressions for the uninstrumented libraries the test programs use;
// our own code stays checked. One list, since a program may define it only once.
//  - PulseAudio's client library: TSan cannot see the atomics inside it, whose lock-free
//    free lists recycle memory between the connections of one process, and reports races
//    between them that are not there.
//  - fontconfig: Pango sets it up on one thread and hands it over through GLib's locks,
//    which TSan does not see either.
//  - libX11: a call that finds its connection lost unlocks the connection's mutex twice
//    (once in the lost-connection path, once on its own way out) when the exit handler
//    returns, as ours does.
//  - cpp-httplib (Debian's compiled library, behind the tests' local HTTP server): its
//    synchronisation inside it is not seen, and a race between two of its own worker
//    threads was reported.
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_suppressions() {
    return "called_from_lib:libpulsecommon-16.1.so\n"
           "called_from_lib:libpulse.so.0\n"
           "race:libpulsecommon-16.1.so\n"
           "race:libpulse.so.0\n"
           "race:libfontconfig.so.1\n"
           "mutex:libX11.so.6\n"
           "race:libcpp-httplib.so\n";
}
