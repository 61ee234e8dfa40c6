// The uploader run mode ("/uploader"): sends a crash package to the online service and
// ends without a message loop.
#pragma once
#include <string>

#include "app/application.h"

class CApplicationUploader : public CApplication {
public:
    // Uploads the package named by "--dmp_file=" (nothing when it is missing or cannot be
    // read) and returns false, so no message loop runs.
    bool Run() override;

    // One PUT of the file as the form parts "version", "file", "platform" to `url`. The
    // result is not used and the file stays in place.
    static void UploadDumpFile(const std::wstring& url, const std::wstring& path);
};
