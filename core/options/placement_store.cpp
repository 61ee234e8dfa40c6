#include "core/options/placement_store.h"

#include <cstring>

#include "core/regvalues/reg_values.h"
#include "core/util/numbers.h"
#include "core/util/screen_scale.h"

namespace {

constexpr const wchar_t* kLastScaleFactor = L"LastScaleFactor";
constexpr const wchar_t* kScaledSubkey = L"x100\\WindowPlacement";
constexpr const wchar_t* kScaledRoot = L"x100";
constexpr UINT kShowNormal = 1;

LONG Scale(LONG value, float factor) {
    return static_cast<LONG>(RoundHalfAwayFromZero(static_cast<float>(value) * factor));
}

// Each coordinate times numerator / denominator, rounded; 100/100 changes nothing.
RECT ScaleRect(const RECT& rect, int numerator, int denominator) {
    if (numerator == denominator) return rect;
    const float factor = static_cast<float>(numerator) / static_cast<float>(denominator);
    return RECT{Scale(rect.left, factor), Scale(rect.top, factor), Scale(rect.right, factor),
                Scale(rect.bottom, factor)};
}

PlacementFields Normal(UINT length, const RECT& rect) {
    return PlacementFields{length, 0, kShowNormal, POINT{-1, -1}, POINT{-1, -1}, rect};
}

}  // namespace

PlacementFields ReadPlacementFields(const WindowPlacementEntry& entry) {
    PlacementFields fields;
    std::memcpy(&fields, entry.data, sizeof(fields));
    return fields;
}

void WritePlacementFields(WindowPlacementEntry& entry, const PlacementFields& fields) {
    std::memcpy(entry.data, &fields, sizeof(fields));
}

namespace WindowPlacementStore {

void Load(WindowPlacementEntry& entry, const wchar_t* name) {
    if (ReadRegWindowPlacement(entry.data, name, kPlacementSubkey)) entry.valid = true;
}

void RescaleOnStart(std::array<WindowPlacementEntry, 5>& entries) {
    DWORD last = 100;
    ReadRegDword(last, kLastScaleFactor, nullptr, false);
    if (last == 0) last = 100;
    const int current = GetScreenDpiScalePercent();
    if (static_cast<int>(last) == current) return;
    for (size_t i = 0; i < entries.size(); ++i) {
        WindowPlacementEntry& entry = entries[i];
        if (!entry.valid) continue;
        RECT at100;
        WindowPlacementEntry copy;
        if (ReadRegWindowPlacement(copy.data, kPlacementNames[i], kScaledSubkey))
            at100 = ReadPlacementFields(copy).rcNormalPosition;
        else
            at100 = ScaleRect(ReadPlacementFields(entry).rcNormalPosition, 100, static_cast<int>(last));
        WritePlacementFields(entry, Normal(kWindowPlacementSize, ScaleRect(at100, current, 100)));
        entry.valid = true;
    }
}

void SaveOnExit(const std::array<WindowPlacementEntry, 5>& entries) {
    const int current = GetScreenDpiScalePercent();
    if (current == 100) {
        DeleteRegValue(kLastScaleFactor, nullptr);
        DeleteRegTree(kScaledRoot);
        return;
    }
    WriteRegDword(static_cast<DWORD>(current), kLastScaleFactor, nullptr);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].valid) continue;
        const PlacementFields fields = ReadPlacementFields(entries[i]);
        WindowPlacementEntry copy;
        WritePlacementFields(copy, Normal(fields.length, ScaleRect(fields.rcNormalPosition, 100, current)));
        WriteRegWindowPlacement(copy.data, kPlacementNames[i], kScaledSubkey);
    }
}

}  // namespace WindowPlacementStore
