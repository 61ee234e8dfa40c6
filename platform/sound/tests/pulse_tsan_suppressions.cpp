// ThreadSanitizer cannot see the atomics inside the uninstrumented PulseAudio client
// library, whose lock-free free lists recycle memory between the connections of one
// process; it then reports races between them that are not there. Our own code stays
// checked.
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_suppressions() {
    return "called_from_lib:libpulsecommon-16.1.so\n"
           "called_from_lib:libpulse.so.0\n"
           "race:libpulsecommon-16.1.so\n"
           "race:libpulse.so.0\n";
}
