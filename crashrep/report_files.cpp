#include "crashrep/report_files.h"

#include <cstring>

#include "platform/crash/safe_file.h"

namespace zovi::crashrep {

void MakeBaseName(platform::CFixedText& out, const wchar_t* fileName, const wchar_t* version,
                  const struct tm& local) {
    size_t start = out.Length();
    out.AddWide(fileName).AddChar('_').AddWide(version);
    char* text = const_cast<char*>(out.Text());
    for (size_t i = start; i < out.Length(); ++i) {
        if (text[i] == '.') text[i] = '_';
    }
    out.AddChar('_')
        .AddPadded(static_cast<uint64_t>(local.tm_year + 1900), 4)
        .AddPadded(static_cast<uint64_t>(local.tm_mon + 1), 2)
        .AddPadded(static_cast<uint64_t>(local.tm_mday), 2)
        .AddChar('_')
        .AddPadded(static_cast<uint64_t>(local.tm_hour), 2)
        .AddPadded(static_cast<uint64_t>(local.tm_min), 2)
        .AddPadded(static_cast<uint64_t>(local.tm_sec), 2);
}

void CreateReportFiles(const char* folder, const char* base, ReportFiles* files) {
    constexpr int kMaxSuffix = 100;
    for (int suffix = 0; suffix < kMaxSuffix; ++suffix) {
        platform::CFixedText dmp(files->dmpPath, sizeof files->dmpPath);
        dmp.Add(folder);
        if (dmp.Length() && dmp.Text()[dmp.Length() - 1] != '/') dmp.AddChar('/');
        dmp.Add(base);
        if (suffix) dmp.AddChar('_').AddUnsigned(static_cast<uint64_t>(suffix));
        platform::CFixedText txt(files->txtPath, sizeof files->txtPath);
        txt.Add(dmp.Text());
        dmp.Add(".dmp");
        txt.Add(".txt");
        if (suffix == 0) platform::SafeCreateParentFolders(files->dmpPath);

        bool taken = false;
        files->dmpFd = platform::SafeCreateFile(files->dmpPath, platform::SafeCreate::kNew, &taken);
        if (taken) continue;
        files->txtFd = platform::SafeCreateFile(files->txtPath, platform::SafeCreate::kNew, &taken);
        if (taken) {
            // Another crash of the same second owns this name.
            if (files->dmpFd >= 0) {
                platform::SafeClose(files->dmpFd);
                platform::SafeDeleteFile(files->dmpPath);
                files->dmpFd = -1;
            }
            continue;
        }
        return;
    }
}

int CreateTempReportFile(const char* tempFolder, const char* extension, char* path, size_t capacity) {
    platform::CFixedText text(path, capacity);
    text.Add(tempFolder).Add("excXXXXXX").Add(extension);
    int fd = platform::SafeCreateUniqueFile(path, std::strlen(extension));
    if (fd < 0) path[0] = '\0';
    return fd;
}

void PackagePath(const char* path, char* out, size_t capacity) {
    size_t length = std::strlen(path);
    size_t extension = length;
    for (size_t i = 0; i < length; ++i) {
        if (path[i] == '.') extension = i;
        else if (path[i] == ' ' || path[i] == '/' || path[i] == '\\') extension = length;
    }
    platform::CFixedText text(out, capacity);
    text.Add(path, extension).Add(".zip");
}

}  // namespace zovi::crashrep
