// DuiLib::COptionUIEx: an option whose background is a level bar — the part of the
// control from the bottom up to `level` of its height is filled with the bar colour, and
// nothing else of the background is painted. The capture main window's microphone meter
// (layout class "OptionEx").
#pragma once
#include <cstdint>

#include "platform/duilib/controls/option.h"

namespace DuiLib {

class COptionUIEx : public COptionUI {
public:
    COptionUIEx() = default;

    // 0..1; set on the UI thread.
    void SetLevel(float level) { m_fLevel = level; }
    float GetLevel() const { return m_fLevel; }
    void SetLevelColor(DWORD argb) { m_dwLevelColor = argb; }
    DWORD GetLevelColor() const { return m_dwLevelColor; }

    void PaintBkColor(HDC hDC) override;

private:
    float m_fLevel = 0.5f;
    DWORD m_dwLevelColor = 0xFF2B8CF4;
};

}  // namespace DuiLib
