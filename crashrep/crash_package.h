// The package step: the minidump and the report text packed into "<dmp minus
// extension>.zip" beside them, then the program started in its uploader mode with
// "/uploader" "--dmp_file=<zip>".
#pragma once

namespace zovi::crashrep {

// Either path may be empty; with an empty minidump path the package is named after the
// report text; both empty: nothing, false. `detach`: the caller goes on living (fork
// twice so the uploader is not its child). True when the uploader was started.
bool PackageAndHandOff(const char* dmpPath, const char* txtPath, bool detach);

}  // namespace zovi::crashrep
