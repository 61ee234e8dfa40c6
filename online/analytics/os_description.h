// The operating-system description that every analytics event carries ("sv").
//
// The description of a Windows system is a pure function of the facts its version
// queries give (DescribeWindowsVersion, with the edition table GetWindowsEditionName).
// Here the program runs on Linux, so GetWindowsVersionString describes the running
// system instead: the distribution's pretty name, the kernel release and the bitness.
// It is made once per process and only read afterwards; any thread may ask for it.
#pragma once
#include <string>

#include "platform/base/wintypes.h"

// The name and the description of the operating system.
struct OsDescription {
    std::wstring name;
    std::wstring description;
};

// What the version queries of a Windows system report.
struct WindowsVersionFacts {
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
    DWORD platformId = 0;     // 2: the NT family
    BYTE productType = 0;     // 1: a workstation
    WORD suiteMask = 0;
    bool serverR2 = false;    // the system's "Server 2003 R2" metric
    WORD processorArchitecture = 0;
    std::wstring servicePack;
    DWORD productInfo = 0;    // the product type code of the edition query
};

// The edition text of a product type code; every text starts with a space, and codes
// without a text give the empty text.
std::wstring GetWindowsEditionName(DWORD code);

// The description of a Windows system with these facts. Outside the NT family, or below
// version 5, the name stays "Windows" and the description empty.
OsDescription DescribeWindowsVersion(const WindowsVersionFacts& facts);

// The description of a Linux system: `prettyName` (from os-release; "Linux" when empty)
// followed by " (kernel <release>)" when the release is known, and the bitness.
OsDescription DescribeLinuxSystem(const std::wstring& prettyName, const std::wstring& kernelRelease,
                                  bool is64Bit);

// The PRETTY_NAME value of an os-release text, unquoted; empty when it has none.
std::string ParseOsReleasePrettyName(const std::string& text);

// The running system's description, made on the first call.
const OsDescription& GetWindowsVersionString();
