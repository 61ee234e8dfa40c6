#include "online/analytics/os_description.h"

#include <array>
#include <mutex>
#include <string_view>

#include "core/files/file.h"
#include "platform/base/utf8.h"

namespace {

// The values the Windows version queries use.
constexpr DWORD kPlatformNt = 2;
constexpr BYTE kWorkstation = 1;
constexpr WORD kSuiteEnterprise = 0x0002;
constexpr WORD kSuiteDatacenter = 0x0080;
constexpr WORD kSuitePersonal = 0x0200;
constexpr WORD kSuiteBlade = 0x0400;
constexpr WORD kSuiteStorageServer = 0x2000;
constexpr WORD kSuiteComputeServer = 0x4000;
constexpr WORD kSuiteHomeServer = 0x8000;
constexpr WORD kArchitectureX86 = 0;
constexpr WORD kArchitectureItanium = 6;
constexpr WORD kArchitectureX64 = 9;

// Edition texts by product type code; the empty entries have none.
constexpr std::array<const wchar_t*, 71> kEditions = {
    L" Unknown",
    L" Ultimate",
    L" Home Basic",
    L" Home Premium",
    L" Enterprise",
    L" Home Basic N",
    L" Business",
    L" Server Standard",
    L" Server Datacenter (full installation)",
    L" Windows Small Business Server",
    L" Server Enterprise (full installation)",
    L" Starter",
    L" Server Datacenter (core installation)",
    L" Server Standard (core installation)",
    L" Server Enterprise (core installation)",
    L" Server Enterprise for Itanium-based Systems",
    L" Business N",
    L" Web Server (full installation)",
    L" HPC Edition",
    L" Windows Storage Server 2008 R2 Essentials",
    L" Storage Server Express",
    L" Storage Server Standard",
    L" Storage Server Workgroup",
    L" Storage Server Enterprise",
    L" Windows Server 2008 for Windows Essential Server Solutions",
    L" Small Business Server Premium",
    L" Home Premium N",
    L" Enterprise N",
    L" Ultimate N",
    L" Web Server (core installation)",
    L" Windows Essential Business Server Management Server",
    L" Windows Essential Business Server Security Server",
    L" Windows Essential Business Server Messaging Server",
    L" Server Foundation",
    L" Windows Home Server 2011",
    L" Windows Server 2008 without Hyper-V for Windows Essential Server Solutions",
    L" Server Standard without Hyper-V",
    L" Server Datacenter without Hyper-V (full installation)",
    L" Server Enterprise without Hyper-V (full installation)",
    L" Server Datacenter without Hyper-V (core installation)",
    L" Server Standard without Hyper-V (core installation)",
    L" Server Enterprise without Hyper-V (core installation)",
    L" Microsoft Hyper-V Server",
    L" Storage Server Express (core installation)",
    L" Storage Server Standard (core installation)",
    L" Storage Server Workgroup (core installation)",
    L" Storage Server Enterprise (core installation)",
    L" Starter N",
    L" Professional",
    L" Professional N",
    L" Windows Small Business Server 2011 Essentials",
    L" Server For SB Solutions",
    L" Server Solutions Premium",
    L" Server Solutions Premium (core installation)",
    L" Server For SB Solutions EM",
    L" Server For SB Solutions EM",
    L" Windows MultiPoint Server",
    L"",
    L"",
    L" Windows Essential Server Solution Management",
    L" Windows Essential Server Solution Additional",
    L" Windows Essential Server Solution Management SVC",
    L" Windows Essential Server Solution Additional SVC",
    L" Small Business Server Premium (core installation)",
    L" Server Hyper Core V",
    L"",
    L"",
    L"",
    L"",
    L"",
    L" Enterprise E",
};

// Name for versions 6.x and 10.0: the workstation name, else the server name.
std::wstring NtSixOrTenName(const WindowsVersionFacts& facts) {
    const bool workstation = facts.productType == kWorkstation;
    if (facts.major == 10) {
        if (facts.minor != 0) return L"Windows";
        return workstation ? L"Windows 10" : L"Windows Server 2016 Technical Preview";
    }
    switch (facts.minor) {
        case 0: return workstation ? L"Windows Vista" : L"Windows Server 2008";
        case 1: return workstation ? L"Windows 7" : L"Windows Server 2008 R2";
        case 2: return workstation ? L"Windows 8" : L"Windows Server 2012";
        case 3: return workstation ? L"Windows 8.1" : L"Windows Server 2012 R2";
        default: return L"Windows";
    }
}

std::wstring ServerTwoThousandThreeName(const WindowsVersionFacts& facts) {
    if (facts.serverR2) return L"Windows Server 2003 R2";
    if (facts.suiteMask & kSuiteStorageServer) return L"Windows Storage Server 2003";
    if (facts.suiteMask & kSuiteHomeServer) return L"Windows Home Server";
    if (facts.productType == kWorkstation && facts.processorArchitecture == kArchitectureX64) {
        return L"Windows XP Professional x64 Edition";
    }
    return L"Windows Server 2003";
}

std::wstring ServerTwoThousandThreeEdition(const WindowsVersionFacts& facts) {
    if (facts.productType == kWorkstation) return L"";
    const WORD suite = facts.suiteMask;
    if (facts.processorArchitecture == kArchitectureItanium) {
        if (suite & kSuiteDatacenter) return L" Datacenter Edition for Itanium-based Systems";
        if (suite & kSuiteEnterprise) return L" Enterprise Edition for Itanium-based Systems";
        return L"";
    }
    if (facts.processorArchitecture == kArchitectureX64) {
        if (suite & kSuiteDatacenter) return L" Datacenter x64 Edition";
        if (suite & kSuiteEnterprise) return L" Enterprise x64 Edition";
        return L" Standard x64 Edition";
    }
    if (suite & kSuiteComputeServer) return L" Compute Cluster Edition";
    if (suite & kSuiteDatacenter) return L" Datacenter Edition";
    if (suite & kSuiteEnterprise) return L" Enterprise Edition";
    if (suite & kSuiteBlade) return L" Web Edition";
    return L" Standard Edition";
}

std::wstring TwoThousandEdition(const WindowsVersionFacts& facts) {
    if (facts.productType == kWorkstation) return L" Professional";
    if (facts.suiteMask & kSuiteDatacenter) return L" Datacenter Server";
    if (facts.suiteMask & kSuiteEnterprise) return L" Advanced Server";
    return L" Server";
}

// The text of `path`, read to its end (kernel files report no size).
std::string ReadSmallFile(const std::wstring& path) {
    CFile file;
    std::string text;
    if (!file.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)) return text;
    char buffer[4096];
    DWORD read = 0;
    while (text.size() < (1u << 20) && file.Read(buffer, sizeof buffer, &read) && read > 0) text.append(buffer, read);
    return text;
}

// One os-release value, without its quotes and shell escapes.
std::string UnquoteOsReleaseValue(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        const char quote = value.front();
        value = value.substr(1, value.size() - 2);
        if (quote == '\'') return std::string(value);
    }
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        out += value[i];
    }
    return out;
}

}  // namespace

std::wstring GetWindowsEditionName(DWORD code) { return code < kEditions.size() ? kEditions[code] : L""; }

OsDescription DescribeWindowsVersion(const WindowsVersionFacts& facts) {
    OsDescription os{L"Windows", L""};
    if (facts.platformId != kPlatformNt || facts.major < 5) return os;
    if (facts.major == 10 || facts.major == 6) {
        os.name = NtSixOrTenName(facts);
        os.description = os.name + GetWindowsEditionName(facts.productInfo);
    } else if (facts.major == 5 && facts.minor == 2) {
        os.name = ServerTwoThousandThreeName(facts);
        os.description = os.name + ServerTwoThousandThreeEdition(facts);
    } else if (facts.major == 5 && facts.minor == 1) {
        os.name = L"Windows XP";
        os.description = os.name + ((facts.suiteMask & kSuitePersonal) ? L" Home Edition" : L" Professional");
    } else if (facts.major == 5 && facts.minor == 0) {
        os.name = L"Windows 2000";
        os.description = os.name + TwoThousandEdition(facts);
    } else {
        os.name = L"Windows " + std::to_wstring(facts.major) + L"." + std::to_wstring(facts.minor);
        os.description = os.name;
    }
    if (!facts.servicePack.empty()) os.description += L" " + facts.servicePack;
    os.description += L" (build " + std::to_wstring(facts.build) + L")";
    if (facts.major >= 6) {
        if (facts.processorArchitecture == kArchitectureX64) os.description += L" 64-bit";
        if (facts.processorArchitecture == kArchitectureX86) os.description += L" 32-bit";
    }
    return os;
}

OsDescription DescribeLinuxSystem(const std::wstring& prettyName, const std::wstring& kernelRelease,
                                  bool is64Bit) {
    OsDescription os;
    os.name = prettyName.empty() ? L"Linux" : prettyName;
    os.description = os.name;
    if (!kernelRelease.empty()) os.description += L" (kernel " + kernelRelease + L")";
    os.description += is64Bit ? L" 64-bit" : L" 32-bit";
    return os;
}

std::string ParseOsReleasePrettyName(const std::string& text) {
    constexpr std::string_view kKey = "PRETTY_NAME=";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (line.substr(0, kKey.size()) == kKey) return UnquoteOsReleaseValue(line.substr(kKey.size()));
        start = end + 1;
    }
    return "";
}

const OsDescription& GetWindowsVersionString() {
    static OsDescription os;
    static std::once_flag made;
    std::call_once(made, [] {
        std::string release = ReadSmallFile(L"/etc/os-release");
        if (release.empty()) release = ReadSmallFile(L"/usr/lib/os-release");
        std::string kernel = ReadSmallFile(L"/proc/sys/kernel/osrelease");
        while (!kernel.empty() && (kernel.back() == '\n' || kernel.back() == ' ')) kernel.pop_back();
        // The program is built for x86_64 alone, so its processor is a 64-bit one.
        os = DescribeLinuxSystem(zovi::platform::Utf8ToWide(ParseOsReleasePrettyName(release)),
                                 zovi::platform::Utf8ToWide(kernel), sizeof(void*) == 8);
    });
    return os;
}
