#include "core/url/mime_type_helper.h"

namespace {

const std::map<std::wstring, std::wstring>& Table() {
    static const std::map<std::wstring, std::wstring> table = {
        {L".txt", L"text/plain"},
        {L".htm", L"text/html"},
        {L".html", L"text/html"},
        {L".gif", L"image/gif"},
        {L".bmp", L"image/bmp"},
        {L".png", L"image/png"},
        {L".jpg", L"image/jpeg"},
        {L".jpeg", L"image/jpeg"},
        {L".webp", L"image/webp"},
        {L".jpe", L"image/jpeg"},
        {L".wav", L"audio/wav"},
        {L".mp3", L"audio/mpeg"},
        {L".amr", L"audio/amr"},
        {L".m4a", L"audio/m4a"},
        {L".pdf", L"application/pdf"},
        {L".doc", L"application/vnd.ms-word"},
        {L".ppt", L"application/vnd.ms-powerpoint"},
        {L".xls", L"application/vnd.ms-excel"},
        {L".docx", L"application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
        {L".pptx", L"application/vnd.openxmlformats-officedocument.presentationml.presentation"},
        {L".xlsx", L"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
        {L".pages", L"application/vnd.apple.pages"},
        {L".numbers", L"application/vnd.apple.numbers"},
        {L".keynote", L"application/vnd.apple.keynote"},
        {L".key", L"application/vnd.apple.keynote"},
    };
    return table;
}

// The extension with its dot: from the last "." that follows the last "\", "/" or
// space; empty when there is none.
std::wstring ExtensionOf(const std::wstring& path) {
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos) return {};
    const size_t separator = path.find_last_of(L"\\/ ");
    if (separator != std::wstring::npos && separator > dot) return {};
    return path.substr(dot);
}

}  // namespace

std::wstring CMimeTypeHelper::Lookup(const std::wstring& path) {
    std::lock_guard guard(m_section);
    const auto& table = Table();
    auto it = table.find(ExtensionOf(path));
    return it != table.end() ? it->second : L"application/octet-stream";
}
