// The MIME type of a file for an upload, by the file's extension.
#pragma once
#include <map>
#include <mutex>
#include <string>

#include "core/deferred/singleton.h"

class CMimeTypeHelper : public CSingletonT<CMimeTypeHelper> {
public:
    // The type for the path's extension (from its last "." after the last "\", "/" or
    // space), compared exactly and case-sensitively; "application/octet-stream" when the
    // extension is missing or not in the table.
    std::wstring Lookup(const std::wstring& path);

private:
    friend class CSingletonT<CMimeTypeHelper>;
    CMimeTypeHelper() = default;

    std::mutex m_section;
};
