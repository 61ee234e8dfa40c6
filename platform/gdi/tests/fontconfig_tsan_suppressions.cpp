// ThreadSanitizer cannot see how Pango hands fontconfig over from its background
// "[pango] FcInit" thread (GLib's locks in uninstrumented libraries), so the first text
// drawn on another thread shows up as races inside fontconfig that are not there. Our
// own code stays checked. For test programs that draw text on worker threads.
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_suppressions() {
    return "race:libfontconfig.so.1\n";
}
