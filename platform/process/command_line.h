// Command lines as one text, split and quoted by the Windows rules (the
// CommandLineToArgvW rules): the first token is the program, taken up to the next
// blank or, when it starts with a quote, up to the next quote; later tokens honour
// quotes and the backslash rules (2n backslashes before a quote give n and the quote
// toggles quoting; 2n+1 give n and a literal quote; other backslashes are literal).
#pragma once
#include <string>
#include <vector>

namespace zovi::platform {

// Splits `commandLine` into arguments. "" gives an empty argument.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// `argument` quoted so SplitCommandLine gives it back exactly (not for the first token):
// always wrapped in quotes, with quotes escaped and the backslashes before them doubled.
std::string QuoteCommandLineArgument(const std::string& argument);

}  // namespace zovi::platform
