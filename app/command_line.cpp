#include "app/command_line.h"

#include <cwctype>

#include "platform/base/utf8.h"

namespace {

struct Switch {
    const wchar_t* text;
    std::uint32_t mode;
};
constexpr Switch kSwitches[] = {
    {L"/capture", RUN_MODE_CAPTURE}, {L"/player", RUN_MODE_PLAYER}, {L"/debug", RUN_MODE_DEBUG},
    {L"/wb", RUN_MODE_WHITEBOARD},   {L"/uploader", RUN_MODE_UPLOADER},
};

struct Param {
    std::int32_t id;
    const wchar_t* name;
};
constexpr Param kParams[] = {
    {PARAM_W, L"w="},        {PARAM_H, L"h="},               {PARAM_HWND, L"hwnd="},       {PARAM_URL, L"url="},
    {PARAM_MAXLIMIT, L"maxlimit="}, {PARAM_DMP_FILE, L"dmp_file="}, {PARAM_DMP_LOG, L"dmp_log="},
};

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
    }
    return true;
}

std::vector<std::wstring>& Arguments() {
    static std::vector<std::wstring> arguments;
    return arguments;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    ParsedCommandLine parsed;
    for (const std::wstring& argument : arguments) {
        if (argument.starts_with(L"/")) {
            for (const Switch& s : kSwitches) {
                if (EqualNoCase(argument, s.text)) {
                    parsed.mode = s.mode;
                    break;
                }
            }
        } else if (argument.starts_with(L"--")) {
            const std::wstring_view rest = std::wstring_view(argument).substr(2);
            for (const Param& p : kParams) {
                const std::wstring_view name = p.name;
                if (rest.size() >= name.size() && EqualNoCase(rest.substr(0, name.size()), name)) {
                    parsed.params[p.id] = std::wstring(rest.substr(name.size()));
                    break;
                }
            }
        }
    }
    return parsed;
}

void SetProgramArguments(int argc, char** argv) {
    std::vector<std::wstring>& arguments = Arguments();
    arguments.clear();
    for (int i = 1; i < argc; ++i) arguments.push_back(zovi::platform::DecodeUtf8Lossless(argv[i]));
}

const std::vector<std::wstring>& GetProgramArguments() { return Arguments(); }
