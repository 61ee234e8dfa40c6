// Names and files of crash reports: the base name "<file>_<version>_YYYYMMDD_HHMMSS",
// exclusive creation (a name already taken gets "_1", "_2", ...), temporary "exc" names
// and the package path. Signal-safe.
#pragma once
#include <cstddef>
#include <ctime>

#include "platform/crash/fixed_text.h"

namespace zovi::crashrep {

// "<file name>_<version>" with every "." turned into "_", then "_%04d%02d%02d_%02d%02d%02d".
void MakeBaseName(platform::CFixedText& out, const wchar_t* fileName, const wchar_t* version,
                  const struct tm& local);

// A crash's two files: "<folder>/<base>.dmp" and ".txt", created exclusively; when either
// name is taken the base gets "_1", "_2", ... The paths are filled even when a file could
// not be made (its descriptor is then -1).
struct ReportFiles {
    char dmpPath[4096];
    char txtPath[4096];
    int dmpFd = -1;
    int txtFd = -1;
};
void CreateReportFiles(const char* folder, const char* base, ReportFiles* files);

// A new unique file "<temp folder>excXXXXXX<extension>", made exclusively; -1 (and an
// empty path) on failure.
int CreateTempReportFile(const char* tempFolder, const char* extension, char* path, size_t capacity);

// "<path minus its extension>.zip": the extension starts at the last "." of the last path
// part that has no blank, "/" or "\" after it; without one ".zip" is appended.
void PackagePath(const char* path, char* out, size_t capacity);

}  // namespace zovi::crashrep
