#include "online/rest/password_digest.h"

#include <string_view>

#include "core/digest/md5.h"
#include "online/account/account_context.h"
#include "platform/base/utf8.h"

namespace {

// The salt the account service knows, in pair form (17 bytes).
constexpr std::string_view kStoredSalt = "{wzt}wqrrwtzuptw|rzowz}u|mwvnuqntn";
static_assert(kStoredSalt.size() == 34);

// Overwrites a secret before its memory is freed (a plain fill may be dropped).
void Wipe(std::string& secret) {
    volatile char* bytes = secret.data();
    for (size_t i = 0; i < secret.size(); ++i) bytes[i] = 0;
}

}  // namespace

std::string HashPassword(std::string_view password) {
    std::string text(password);
    std::string salt = CAccountContextController::DecodePairText(kStoredSalt);
    text += salt;
    Wipe(salt);
    Md5Context context;
    std::wstring digest;
    Md5HexDigest(context, text.data(), text.size(), digest);
    Wipe(text);
    return zovi::platform::WideToUtf8(digest);
}
