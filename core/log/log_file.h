// The log's file: UTF-8 text appended line by line. While no file is open, lines go to
// the standard output stream.
#pragma once
#include <mutex>
#include <string>

#include "platform/fs/handle.h"

class CLogFile {
public:
    CLogFile() = default;
    virtual ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    virtual bool IsOpen();
    virtual bool IsGood() { return GetError() == 0; }
    // The last write error (a Win32 code), 0 when none or closed.
    virtual int GetError();
    // An empty path means the default path.
    virtual void SetPath(const std::wstring& path);
    // The program's path with ".log" in place of its extension ("LogFile.log" when the
    // program path cannot be had).
    virtual void SetDefaultPath();
    virtual std::wstring GetPath();
    virtual bool OpenDefault() { return Open(GetPath()); }
    // Opens `path` for appending (created when missing); closes a file open before.
    virtual bool Open(const std::wstring& path);
    virtual void Close();
    // Writes `text` and a line feed with one write at the end of the file.
    virtual void Write(const std::wstring& text);
    virtual void WriteV(const wchar_t* format, va_list args);
    virtual void WriteF(const wchar_t* format, ...);

private:
    std::wstring path_;
    HANDLE file_ = nullptr;  // null: standard output
    bool owns_ = false;
    int error_ = 0;
    std::recursive_mutex lock_;
};
