// The password digest the service expects as "pwd": MD5 of the password's bytes followed
// by the program's 17-byte salt, as 32 lower-case hexadecimal digits. The same password
// gives the same digest in sign-in, new account and password reset; the password itself
// is never sent. The salt exists in memory only during the call.
#pragma once
#include <string>
#include <string_view>

std::string HashPassword(std::string_view password);
