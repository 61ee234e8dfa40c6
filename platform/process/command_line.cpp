#include "platform/process/command_line.h"

namespace zovi::platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    const size_t size = commandLine.size();
    size_t i = 0;
    while (i < size && IsBlank(commandLine[i])) ++i;
    if (i >= size) return args;

    // The program: no backslash rules, a leading quote runs to the next quote.
    std::string program;
    if (commandLine[i] == '"') {
        ++i;
        while (i < size && commandLine[i] != '"') program += commandLine[i++];
        if (i < size) ++i;
    } else {
        while (i < size && !IsBlank(commandLine[i])) program += commandLine[i++];
    }
    args.push_back(program);

    for (;;) {
        while (i < size && IsBlank(commandLine[i])) ++i;
        if (i >= size) break;
        std::string arg;
        bool quoted = false;
        while (i < size && (quoted || !IsBlank(commandLine[i]))) {
            if (commandLine[i] == '\\') {
                size_t backslashes = 0;
                while (i < size && commandLine[i] == '\\') ++backslashes, ++i;
                if (i < size && commandLine[i] == '"') {
                    arg.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(backslashes, '\\');
                }
            } else if (commandLine[i] == '"') {
                if (quoted && i + 1 < size && commandLine[i + 1] == '"') {
                    arg += '"';  // "" inside quotes is a literal quote
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += commandLine[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

std::string QuoteCommandLineArgument(const std::string& argument) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(2 * backslashes + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    // Backslashes before the closing quote are doubled so they stay literal.
    quoted.append(2 * backslashes, '\\');
    quoted += '"';
    return quoted;
}

}  // namespace zovi::platform
