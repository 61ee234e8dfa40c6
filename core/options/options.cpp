#include "core/options/options.h"

#include <cstring>
#include <initializer_list>
#include <random>

#include "core/options/placement_store.h"
#include "core/options/store_damage.h"
#include "platform/base/wformat.h"
#include "platform/fs/folders.h"
#include "platform/window/process_ids.h"

namespace {

constexpr const wchar_t* kX264 = L"x264";
constexpr const wchar_t* kX265 = L"x265";
constexpr const wchar_t* kXvid = L"xvid";
constexpr const wchar_t* kAac = L"aac";
constexpr const wchar_t* kHotkey = L"hotkey";
constexpr const wchar_t* kWhiteboard = L"whiteboard";

// Only the name: the folder is made when a recording or a snapshot first writes into it.
std::wstring VideosSubfolder(const wchar_t* tail) {
    wchar_t videos[MAX_PATH];
    std::wstring folder;
    if (SHGetSpecialFolderPathW(nullptr, videos, CSIDL_MYVIDEO, FALSE)) folder = videos;
    return folder + tail;
}

std::wstring SettingName(const wchar_t* name, const wchar_t* subkey) {
    return subkey != nullptr ? std::wstring(subkey) + L"\\" + name : std::wstring(name);
}

// A stored value of the wrong type or shape keeps the field's default; noted for the log.
void NoteWrongType(const wchar_t* name, const wchar_t* subkey) {
    NoteSettingsProblem(L"Setting \"" + SettingName(name, subkey) +
                        L"\" is stored with the wrong type; its default is used");
}

// Replaces a value outside its table (a codec, container, preset, tune, profile or rate no
// recording could start with) and notes it for the log; once replaced it is noted no more.
void KeepInTable(DWORD& field, bool inTable, DWORD replacement, const wchar_t* name, const wchar_t* subkey) {
    if (inTable) return;
    NoteSettingsProblem(zovi::platform::FormatWide(L"Setting \"%s\" = %u is outside its table; %u is used",
                                                   SettingName(name, subkey).c_str(), field, replacement));
    field = replacement;
}

bool OneOf(DWORD value, std::initializer_list<DWORD> table) {
    for (DWORD allowed : table)
        if (value == allowed) return true;
    return false;
}

}  // namespace

std::wstring GetDefaultVideoFolder() { return VideosSubfolder(L"/Zovi录屏/"); }
std::wstring GetDefaultSnapshotFolder() { return VideosSubfolder(L"/Zovi录屏/Snapshot/"); }

std::wstring MakeApplicationId() {
    std::random_device random;
    BYTE g[16];
    for (BYTE& b : g) b = static_cast<BYTE>(random() & 0xFF);
    // A version-4 GUID: random but for the version in the third group and the variant.
    const unsigned data1 = g[0] | (g[1] << 8) | (g[2] << 16) | (static_cast<unsigned>(g[3]) << 24);
    const unsigned data2 = g[4] | (g[5] << 8);
    const unsigned data3 = ((g[6] | (g[7] << 8)) & 0x0FFFu) | 0x4000u;
    g[8] = static_cast<BYTE>((g[8] & 0x3F) | 0x80);
    return zovi::platform::FormatWide(L"%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", data1,
                                      data2, data3, g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
}

const std::vector<COptions::Field>& COptions::Fields() {
    // Record order; "Channel" is read first by Load.
    static const auto* fields = new std::vector<Field>{
        {L"appid", nullptr, nullptr, &COptions::appId, false},
        {L"CaptureRectSelectFlag", nullptr, &COptions::captureRectSelectFlag, nullptr, false},
        {L"CaptureEntrance", nullptr, &COptions::captureEntrance, nullptr, false},
        {L"CameraSize", nullptr, &COptions::cameraSize, nullptr, false},
        {L"CaptureDesktopAudio", nullptr, &COptions::captureDesktopAudio, nullptr, false},
        {L"vcodec", nullptr, &COptions::vcodec, nullptr, false},
        {L"FPS", kX264, &COptions::x264Fps, nullptr, false},
        {L"qmin", kX264, &COptions::x264Qmin, nullptr, false},
        {L"qmax", kX264, &COptions::x264Qmax, nullptr, false},
        {L"gopsize", kX264, &COptions::x264GopSize, nullptr, false},
        {L"bframes", kX264, &COptions::x264BFrames, nullptr, false},
        {L"preset", kX264, &COptions::x264Preset, nullptr, false},
        {L"tune", kX264, &COptions::x264Tune, nullptr, false},
        {L"profile", kX264, &COptions::x264Profile, nullptr, false},
        {L"qmin", kX265, &COptions::x265Qmin, nullptr, false},
        {L"qmax", kX265, &COptions::x265Qmax, nullptr, false},
        {L"gopsize", kX265, &COptions::x265GopSize, nullptr, false},
        {L"bframes", kX265, &COptions::x265BFrames, nullptr, false},
        {L"preset", kX265, &COptions::x265Preset, nullptr, false},
        {L"tune", kX265, &COptions::x265Tune, nullptr, false},
        {L"profile", kX265, &COptions::x265Profile, nullptr, false},
        {L"FPS", kXvid, &COptions::xvidFps, nullptr, false},
        {L"qmin", kXvid, &COptions::xvidQmin, nullptr, false},
        {L"qmax", kXvid, &COptions::xvidQmax, nullptr, false},
        {L"gopsize", kXvid, &COptions::xvidGopSize, nullptr, false},
        {L"wmebl", nullptr, &COptions::overlayTextOn, nullptr, false},
        {L"wmtxt", nullptr, nullptr, &COptions::overlayText, false},
        {L"dxgi", nullptr, &COptions::dxgi, nullptr, false},
        {L"vid_hw_enc", nullptr, &COptions::hardwareEncoder, nullptr, false},
        {L"acodec", nullptr, &COptions::acodec, nullptr, false},
        {L"sampleRate", kAac, &COptions::aacSampleRate, nullptr, false},
        {L"bitRate", kAac, &COptions::aacBitRate, nullptr, false},
        {L"inputNoise", nullptr, &COptions::inputNoise, nullptr, false},
        {L"MuxFmt", nullptr, &COptions::muxFmt, nullptr, false},
        {L"startRecord", kHotkey, &COptions::hotkeyStartRecord, nullptr, false},
        {L"pauseRecord", kHotkey, &COptions::hotkeyPauseRecord, nullptr, false},
        {L"stopRecord", kHotkey, &COptions::hotkeyStopRecord, nullptr, false},
        {L"cameraSwitch", kHotkey, &COptions::hotkeyCameraSwitch, nullptr, false},
        {L"voiceSwitch", kHotkey, &COptions::hotkeyVoiceSwitch, nullptr, false},
        {L"toolbarSwitch", kHotkey, &COptions::hotkeyToolbarSwitch, nullptr, false},
        {L"closeToTray", nullptr, &COptions::closeToTray, nullptr, false},
        {L"saveVideoPath", nullptr, nullptr, &COptions::saveVideoPath, false},
        {L"saveSnapshotPath", nullptr, nullptr, &COptions::saveSnapshotPath, false},
        {L"Channel", L"install", nullptr, &COptions::channel, true},
        {L"lang", nullptr, nullptr, &COptions::lang, false},
        {L"capture_countdown", nullptr, &COptions::captureCountdown, nullptr, false},
        {L"camera_mirror", nullptr, &COptions::cameraMirror, nullptr, false},
        {L"toolbar_mask", nullptr, &COptions::toolbarMask, nullptr, false},
        {L"wb_color", kWhiteboard, &COptions::whiteboardColor, nullptr, false},
        {L"wb_linesize", kWhiteboard, &COptions::whiteboardLineSize, nullptr, false},
    };
    return *fields;
}

COptions::COptions() {
    uiThreadId = GetCurrentThreadId();
    SetDefaults();
    Load();
    Validate();
}

COptions::~COptions() { Save(); }

void COptions::SetDefaults() {
    hotkeyStartRecord = 0x353;   // Alt+Control+S
    hotkeyPauseRecord = 0x350;   // Alt+Control+P
    hotkeyStopRecord = 0x351;    // Alt+Control+Q
    hotkeyCameraSwitch = 0x343;  // Alt+Control+C
    hotkeyVoiceSwitch = 0x356;   // Alt+Control+V
    hotkeyToolbarSwitch = 0x354; // Alt+Control+T
    saveVideoPath = GetDefaultVideoFolder();
    saveSnapshotPath = GetDefaultSnapshotFolder();
    logLevel = 2;
}

void COptions::Load() {
    for (const Field& field : Fields())
        if (field.readOnly) ReadRegString(this->*field.text, field.name, field.subkey);
    for (const Field& field : Fields()) {
        if (field.readOnly) continue;
        const bool read = field.dword != nullptr ? ReadRegDword(this->*field.dword, field.name, field.subkey, false)
                                                 : ReadRegString(this->*field.text, field.name, field.subkey);
        if (!read && RegValueExists(field.name, field.subkey)) NoteWrongType(field.name, field.subkey);
    }
    for (size_t i = 0; i < placements.size(); ++i) WindowPlacementStore::Load(placements[i], kPlacementNames[i]);
    RememberLoaded();
    // A rescaled placement counts as changed, so the next save writes it.
    WindowPlacementStore::RescaleOnStart(placements);
}

void COptions::RememberLoaded() {
    loaded_.assign(Fields().size(), Loaded{});
    for (size_t i = 0; i < Fields().size(); ++i) {
        const Field& field = Fields()[i];
        if (field.dword != nullptr)
            loaded_[i].dword = this->*field.dword;
        else
            loaded_[i].text = this->*field.text;
    }
    loadedPlacements_ = placements;
}

void COptions::Validate() {
    if (appId.empty()) appId = MakeApplicationId();
    if (x264Fps == 0) x264Fps = 1;
    if (x264Fps > 60) x264Fps = 60;
    if (x264GopSize < x264Fps) x264GopSize = x264Fps;
    KeepInTable(x264Profile, x264Profile <= 5, 1, L"profile", kX264);
    KeepInTable(x264Preset, x264Preset <= 9, 5, L"preset", kX264);
    KeepInTable(x264Tune, x264Tune <= 7, 0, L"tune", kX264);
    if (x264Qmin == 0 || x264Qmin >= x264Qmax || x264Qmax >= 52) {
        x264Qmin = 20;
        x264Qmax = 31;
    }
    if (xvidQmin == 0 || xvidQmin >= xvidQmax || xvidQmax >= 32) {
        xvidQmin = 2;
        xvidQmax = 10;
    }
    if (xvidFps == 0) xvidFps = 1;
    if (xvidFps > 30) xvidFps = 30;
    if (lang != L"en-US" && lang != L"zh-CN") lang = L"en-US";
    // The other enumerated values, against the tables the settings window offers.
    KeepInTable(vcodec, vcodec <= 1, 0, L"vcodec", nullptr);
    KeepInTable(muxFmt, muxFmt <= 3, 0, L"MuxFmt", nullptr);
    KeepInTable(acodec, acodec == 0, 0, L"acodec", nullptr);
    KeepInTable(x265Profile, x265Profile <= 5, 1, L"profile", kX265);
    KeepInTable(x265Preset, x265Preset <= 9, 5, L"preset", kX265);
    KeepInTable(x265Tune, x265Tune <= 7, 7, L"tune", kX265);
    // The offered sample rates and the standard AAC ones.
    KeepInTable(aacSampleRate,
                OneOf(aacSampleRate, {8000, 11025, 12000, 16000, 20500, 22050, 24000, 32000, 44100, 48000, 64000,
                                      88200, 96000}),
                44100, L"sampleRate", kAac);
    KeepInTable(aacBitRate, OneOf(aacBitRate, {16384, 24576, 32768, 49152, 65536, 98304, 131072, 262144}), 131072,
                L"bitRate", kAac);
}

void COptions::Save() {
    Validate();
    ReportSettingsStoreDamage();
    for (size_t i = 0; i < Fields().size(); ++i) {
        const Field& field = Fields()[i];
        if (field.readOnly) continue;
        Loaded& loaded = loaded_[i];
        if (field.dword != nullptr) {
            const DWORD value = this->*field.dword;
            DWORD stored = 0;
            if (value == loaded.dword && ReadRegDword(stored, field.name, field.subkey, false)) continue;
            if (WriteRegDword(value, field.name, field.subkey)) loaded.dword = value;
        } else {
            const std::wstring& value = this->*field.text;
            std::wstring stored;
            if (value == loaded.text && ReadRegString(stored, field.name, field.subkey)) continue;
            if (WriteRegString(value, field.name, field.subkey)) loaded.text = value;
        }
    }
    for (size_t i = 0; i < placements.size(); ++i) {
        const WindowPlacementEntry& entry = placements[i];
        if (!entry.valid) continue;
        WindowPlacementEntry& loaded = loadedPlacements_[i];
        BYTE stored[kWindowPlacementSize];
        if (loaded.valid && std::memcmp(loaded.data, entry.data, kWindowPlacementSize) == 0 &&
            ReadRegWindowPlacement(stored, kPlacementNames[i], kPlacementSubkey))
            continue;
        if (WriteRegWindowPlacement(entry.data, kPlacementNames[i], kPlacementSubkey)) loaded = entry;
    }
    WindowPlacementStore::SaveOnExit(placements);
}
