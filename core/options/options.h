// The settings record of the main program: every user setting with its default, loaded
// from the program key during static construction, validated, read and written directly
// by the windows on the UI thread, and written back by Save (on demand and at exit).
//
// A save writes only the values that changed since they were loaded, or that the store
// does not hold (with their type), and skips values the store already holds equal, so
// other copies of the program sharing the key never lose what they saved meanwhile.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/regvalues/reg_values.h"
#include "platform/base/wintypes.h"
#include "platform/window/window_types.h"

// The record's first base: who owns the UI.
class CContext {
public:
    DWORD uiThreadId = 0;    // the thread that constructed the record
    HWND mainWindow = 0;     // set by the capture main window; parent of other windows
};

// A window placement as stored (a 44-byte WINDOWPLACEMENT) and whether it holds one.
struct WindowPlacementEntry {
    BYTE data[kWindowPlacementSize] = {};
    bool valid = false;
};

// The five windows that reopen where the user left them, in table order.
inline constexpr const wchar_t* kPlacementNames[5] = {
    L"CaptureConfigWindow", L"CaptureRectSelectorWindow", L"CameraViewWindow",
    L"CaptureToolBarWindow", L"WhiteBoardFrameWindow"};
inline constexpr const wchar_t* kPlacementSubkey = L"WindowPlacement";

class COptions : public CContext {
public:
    COptions();
    virtual ~COptions();
    COptions(const COptions&) = delete;
    COptions& operator=(const COptions&) = delete;

    void SetDefaults();
    // Reads every stored value ("Channel" first); a missing or unreadable value keeps its
    // default. Writes nothing.
    void Load();
    void Validate();
    // Validate, then write what changed (never "Channel").
    void Save();

    // Stored values, in record order.
    std::wstring appId;                  // "appid"
    DWORD captureRectSelectFlag = 2;     // "CaptureRectSelectFlag"
    DWORD captureEntrance = 0;           // "CaptureEntrance"
    DWORD cameraSize = 0;                // "CameraSize"
    DWORD captureDesktopAudio = 1;       // "CaptureDesktopAudio"
    std::array<WindowPlacementEntry, 5> placements;  // by kPlacementNames
    DWORD vcodec = 0;                    // "vcodec"
    DWORD x264Fps = 25;                  // "x264": "FPS", "qmin", ...
    DWORD x264Qmin = 25;
    DWORD x264Qmax = 31;
    DWORD x264GopSize = 250;
    DWORD x264BFrames = 3;
    DWORD x264Preset = 5;
    DWORD x264Tune = 7;
    DWORD x264Profile = 1;
    DWORD x265Qmin = 25;                 // "x265"
    DWORD x265Qmax = 31;
    DWORD x265GopSize = 30;
    DWORD x265BFrames = 3;
    DWORD x265Preset = 5;
    DWORD x265Tune = 7;
    DWORD x265Profile = 1;
    DWORD xvidFps = 25;                  // "xvid"
    DWORD xvidQmin = 2;
    DWORD xvidQmax = 10;
    DWORD xvidGopSize = 250;
    DWORD overlayTextOn = 1;             // "wmebl"
    std::wstring overlayText;            // "wmtxt"
    DWORD dxgi = 1;                      // "dxgi": the faster screen source
    DWORD hardwareEncoder = 1;           // "vid_hw_enc"
    DWORD acodec = 0;                    // "acodec"
    DWORD aacSampleRate = 44100;         // "aac": "sampleRate"
    DWORD aacBitRate = 131072;           // "aac": "bitRate"
    DWORD inputNoise = 1;                // "inputNoise"
    DWORD muxFmt = 0;                    // "MuxFmt": 0 MP4, 1 MKV, 2 FLV, 3 AVI
    DWORD hotkeyStartRecord = 0;         // "hotkey": modifiers * 256 + virtual key
    DWORD hotkeyPauseRecord = 0;
    DWORD hotkeyStopRecord = 0;
    DWORD hotkeyCameraSwitch = 0;
    DWORD hotkeyVoiceSwitch = 0;
    DWORD hotkeyToolbarSwitch = 0;
    DWORD closeToTray = 1;               // "closeToTray"
    std::wstring saveVideoPath;          // "saveVideoPath", ends with a separator
    std::wstring saveSnapshotPath;       // "saveSnapshotPath", ends with a separator
    DWORD logLevel = 2;                  // not stored: the logger's maximum level
    std::wstring channel;                // "install": "Channel", read only
    std::wstring lang = L"zh-CN";        // "lang": "zh-CN" or "en-US" after validation
    DWORD captureCountdown = 1;          // "capture_countdown"
    DWORD cameraMirror = 0;              // "camera_mirror"
    DWORD toolbarMask = 0;               // "toolbar_mask"
    DWORD whiteboardColor = 0xFFFF0000;  // "whiteboard": "wb_color" (ARGB)
    DWORD whiteboardLineSize = 0;        // "whiteboard": "wb_linesize"

    // One stored value of the record: its name, subkey, type and field.
    struct Field {
        const wchar_t* name;
        const wchar_t* subkey;  // null: the program key itself
        DWORD COptions::*dword;           // set for REG_DWORD values
        std::wstring COptions::*text;     // set for REG_SZ values
        bool readOnly;                    // read, never written
    };
    static const std::vector<Field>& Fields();

private:
    struct Loaded {
        DWORD dword = 0;
        std::wstring text;
    };
    void RememberLoaded();
    std::vector<Loaded> loaded_;
    std::array<WindowPlacementEntry, 5> loadedPlacements_;
};

// The user's videos folder + "/Zovi录屏/" (and + "Snapshot/"); neither is made here.
std::wstring GetDefaultVideoFolder();
std::wstring GetDefaultSnapshotFolder();
// A new application id: a random GUID as "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X".
std::wstring MakeApplicationId();
