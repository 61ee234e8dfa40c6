#include "crashrep/report_text.h"

#include "platform/crash/fixed_text.h"
#include "platform/crash/safe_file.h"

namespace zovi::crashrep {

void CReportText::Put(char c) {
    if (length_ + 2 > sizeof buffer_) Flush();
    if (pendingCr_) {
        pendingCr_ = false;
        if (c != '\n') buffer_[length_++] = '\r';
    }
    if (c == '\r') {
        pendingCr_ = true;
        return;
    }
    if (c == '\n') buffer_[length_++] = '\r';
    buffer_[length_++] = c;
}

CReportText& CReportText::Add(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) Put(text[i]);
    return *this;
}

CReportText& CReportText::Add(const char* text) {
    for (; text && *text; ++text) Put(*text);
    return *this;
}

CReportText& CReportText::AddWide(const wchar_t* text) {
    platform::CFixedString<1024> chunk;
    for (; text && *text; ++text) {
        wchar_t one[2] = {*text, 0};
        chunk.AddWide(one);
        if (chunk.Length() > 1000) {
            Add(chunk.Text(), chunk.Length());
            chunk.Clear();
        }
    }
    return Add(chunk.Text(), chunk.Length());
}

CReportText& CReportText::AddSigned(int64_t value) {
    platform::CFixedString<32> text;
    text.AddSigned(value);
    return Add(text.Text(), text.Length());
}

CReportText& CReportText::AddUnsigned(uint64_t value) {
    platform::CFixedString<32> text;
    text.AddUnsigned(value);
    return Add(text.Text(), text.Length());
}

CReportText& CReportText::AddHex(uint64_t value, int minDigits) {
    platform::CFixedString<32> text;
    text.AddHex(value, minDigits);
    return Add(text.Text(), text.Length());
}

CReportText& CReportText::AddAltHex(uint64_t value) {
    platform::CFixedString<32> text;
    text.AddAltHex(value);
    return Add(text.Text(), text.Length());
}

CReportText& CReportText::Flush() {
    // A failed write loses the buffered text; the report goes on.
    if (fd_ >= 0) platform::SafeWriteAll(fd_, buffer_, length_);
    length_ = 0;
    return *this;
}

}  // namespace zovi::crashrep
