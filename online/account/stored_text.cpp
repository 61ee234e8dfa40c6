// The stored-text encoding of the account context.
#include "core/digest/base64.h"
#include "online/account/account_context.h"

namespace {

constexpr unsigned char kHighBase = 0x6E;  // "n" .. "}"
constexpr unsigned char kLowBase = 0x6D;   // "m" .. "|"

}  // namespace

std::string CAccountContextController::EncodeStoredText(std::string_view text) {
    if (text.empty()) return {};
    std::string pairs;
    pairs.reserve(text.size() * 2);
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        pairs += static_cast<char>(kHighBase + (b >> 4));
        pairs += static_cast<char>(kLowBase + (b & 15));
    }
    return Base64Encode(pairs.data(), pairs.size());
}

std::string CAccountContextController::DecodeStoredText(std::string_view stored) {
    if (stored.empty()) return {};
    return DecodePairText(Base64Decode(stored.data(), stored.size()));
}

std::string CAccountContextController::DecodePairText(std::string_view pairs) {
    if (pairs.empty() || pairs.size() % 2 != 0) return {};
    std::string text;
    text.reserve(pairs.size() / 2);
    for (size_t i = 0; i < pairs.size(); i += 2) {
        const unsigned a = static_cast<unsigned char>(pairs[i]);
        const unsigned b = static_cast<unsigned char>(pairs[i + 1]);
        text += static_cast<char>(((a + 2) * 16 + (b + 3) % 16) % 256);
    }
    return text;
}
