// The command line of the main program: the arguments as wide text, and the switch and
// parameter tables applied to them.
#pragma once
#include <string>
#include <vector>

#include "app/application.h"

struct ParsedCommandLine {
    std::uint32_t mode = RUN_MODE_NONE;
    CommandLineParams params;
};

// Applies the tables to the arguments after the program path. An argument starting with
// "/" is compared whole, ignoring case, with "/capture", "/player", "/debug", "/wb",
// "/uploader" (a later switch wins; an unknown one changes nothing). An argument starting
// with "--" is compared from its third character, ignoring case, with the start of "w=",
// "h=", "hwnd=", "url=", "maxlimit=", "dmp_file=", "dmp_log="; the rest is the value (a
// later value wins). Everything else is ignored.
ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// The program's arguments (argv[1...]) as wide text, decoded losslessly from main's argv.
void SetProgramArguments(int argc, char** argv);
const std::vector<std::wstring>& GetProgramArguments();
