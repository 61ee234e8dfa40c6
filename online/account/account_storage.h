// CAccountStorageController: the account's local storage, one JSON document kept in an
// enciphered zip file in the data folder ("Data/v1.ctx"). The capture run mode makes it
// after the account context and loads it at start; it is saved when destroyed at exit,
// and only when the document's text changed since it was loaded. Nothing in the program
// puts content into the document: it is written back as it was found.
//
// File layout, all of it RC2-enciphered (ECB, 8-byte blocks): N (u32 little-endian), a
// zip archive of N bytes with the one entry "LocalStorage" holding the compact JSON text
// and a line feed, then zero bytes up to a multiple of 8.
//
// Threads: Load runs once on the UI thread right after the controller is made; Save
// holds the lock for its whole run, so two saves never interleave.
#pragma once
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include <json/value.h>

#include "core/deferred/singleton.h"

inline constexpr const wchar_t* kAccountStorageFileName = L"v1.ctx";
inline constexpr const char* kAccountStorageEntry = "LocalStorage";

class CAccountStorageController : public CSingletonT<CAccountStorageController> {
public:
    CAccountStorageController();
    // Saves (the result is ignored).
    virtual ~CAccountStorageController();
    CAccountStorageController(const CAccountStorageController&) = delete;
    CAccountStorageController& operator=(const CAccountStorageController&) = delete;

    // Creates the "Data" folder and reads the file. True when a document was loaded; on
    // any failure the document is null (so a later save leaves the file alone), and a
    // file whose length is not a multiple of 8 is refused before deciphering.
    bool Load();
    // Writes the document when its compact text differs from the text last loaded: the
    // file is replaced atomically and readable by its owner only. True when nothing
    // needed writing or the file was written; false for a null document or before Load.
    bool Save();

    // The document: null when nothing was loaded.
    Json::Value& Document() { return document_; }
    // The file's full path, set by Load.
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    std::array<uint8_t, 16> digest_{};  // MD5 of the text as last loaded, or of ""
    Json::Value document_;
    std::mutex lock_;
};
