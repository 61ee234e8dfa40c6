#include "tolka.h"

#include <algorithm>

#include "tolka_texts.inc"

namespace {

const wchar_t kEmptyText[] = L"";

std::uint32_t g_currentLang = 0;
const wchar_t* g_englishSlots[kTolkaStringCount];
const wchar_t* g_chineseSlots[kTolkaStringCount];

// Clears one language's slots and refills them from its literal column.
void FillTable(const wchar_t** slots, const wchar_t* const* column) {
    std::fill(slots, slots + kTolkaStringCount, nullptr);
    std::copy(column, column + kTolkaStringCount, slots);
}

}  // namespace

TOLKA_API const wchar_t* TolkaGetString(std::uint32_t id) {
    if (id >= kTolkaStringCount) return kEmptyText;
    const wchar_t* text = nullptr;
    if (g_currentLang == TolkaLangEnglish)
        text = g_englishSlots[id];
    else if (g_currentLang == TolkaLangChinese)
        text = g_chineseSlots[id];
    return text ? text : kEmptyText;
}

TOLKA_API void TolkaSetLang(TolkaLang lang) {
    if (static_cast<std::uint32_t>(lang) == g_currentLang) return;
    g_currentLang = lang;
    if (lang == TolkaLangChinese)
        FillTable(g_chineseSlots, tolka::kChineseTexts);
    else if (lang == TolkaLangEnglish)
        FillTable(g_englishSlots, tolka::kEnglishTexts);
}
