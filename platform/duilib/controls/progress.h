// CProgressUI: a horizontal bar filled from the left in proportion to its value within
// [min, max], in `forecolor` (or cut from `foreimage`), with its text centred over it.
// It raises nothing. Values set by code are clamped to the range; a range change clamps
// the value. Base of the slider.
#pragma once
#include "platform/duilib/controls/label.h"

namespace DuiLib {

class CProgressUI : public CLabelUI {
public:
    CProgressUI();

    const wchar_t* GetClass() const override { return L"ProgressUI"; }
    void* GetInterface(const wchar_t* name) override;

    int GetMinValue() const { return m_nMin; }
    int GetMaxValue() const { return m_nMax; }
    int GetValue() const { return m_nValue; }
    // A minimum above the maximum moves the maximum with it (and the other way round).
    void SetMinValue(int min);
    void SetMaxValue(int max);
    void SetValue(int value);
    DWORD GetForeColor() const { return m_dwForeColor; }
    void SetForeColor(DWORD color);

    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintForeImage(HDC hDC) override;

protected:
    // Where `value` lies in the range, 0…1 (0 for an empty range).
    double Fraction(int value) const;
    // Keeps the value inside the range; repaints when something changed.
    void ApplyRange(int min, int max, int value);

    int m_nMin = 0, m_nMax = 100, m_nValue = 0;
    DWORD m_dwForeColor = 0xFF2B8CF4;
    bool m_bLayoutValue = false;  // the value came from the `value` attribute
    int m_nLayoutValue = 0;
};

}  // namespace DuiLib
