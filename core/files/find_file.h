// A folder search with Windows wildcards.
#pragma once
#include <string>

#include "platform/fs/find_file.h"

class CFindFile {
public:
    CFindFile() = default;
    ~CFindFile() { Close(); }
    CFindFile(const CFindFile&) = delete;
    CFindFile& operator=(const CFindFile&) = delete;

    // Starts the search and remembers the pattern's full folder and its separator.
    bool First(const std::wstring& pattern);
    bool Next();
    void Close();
    bool Found() const { return found_; }
    const WIN32_FIND_DATAW& Data() const { return data_; }
    std::wstring GetFileName() const { return data_.cFileName; }
    bool IsDirectory() const { return (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // Folder + separator + the found name; empty when it would reach MAX_PATH characters.
    std::wstring GetFilePath() const;

private:
    HANDLE search_ = INVALID_HANDLE_VALUE;
    bool found_ = false;
    WIN32_FIND_DATAW data_{};
    std::wstring folder_;
    wchar_t separator_ = L'/';
};
