// The report text file: written from a fixed buffer, no allocation. Line
// ends are CRLF, as in the text mode of the system the reports are read on: every "\n"
// is written as "\r\n", and a "\r" right before a "\n" (in a copied log) is dropped.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zovi::crashrep {

class CReportText {
public:
    explicit CReportText(int fd) : fd_(fd) {}
    ~CReportText() { Flush(); }
    CReportText(const CReportText&) = delete;
    CReportText& operator=(const CReportText&) = delete;

    CReportText& Add(const char* text);
    CReportText& Add(const char* text, size_t length);
    CReportText& AddWide(const wchar_t* text);
    CReportText& AddSigned(int64_t value);
    CReportText& AddUnsigned(uint64_t value);
    // Lower-case hexadecimal, at least `minDigits` digits, no prefix.
    CReportText& AddHex(uint64_t value, int minDigits = 1);
    // "%#lx": "0x..." or "0".
    CReportText& AddAltHex(uint64_t value);
    // Writes what is buffered (each section is flushed, so a second fault keeps it).
    CReportText& Flush();

private:
    void Put(char c);

    int fd_;
    char buffer_[4096];
    size_t length_ = 0;
    bool pendingCr_ = false;
};

}  // namespace zovi::crashrep
