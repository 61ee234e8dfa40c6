// Wide <-> UTF-8 text for the platform layer. Decoding is lossless: a byte that is not
// part of valid UTF-8 becomes U+DC80..U+DCFF and encodes back to the same byte, so any
// file name or argument survives the round trip.
#pragma once
#include <string>
#include <string_view>

namespace zovi::platform {

std::wstring DecodeUtf8Lossless(std::string_view text);
std::string EncodeUtf8Lossless(std::wstring_view text);

}  // namespace zovi::platform
