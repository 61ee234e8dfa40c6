// The string table: every short user-visible text of both programs by numeric id,
// in Chinese and English. Pointers returned stay valid for the life of the process.
#pragma once
#include <cstdint>

#if defined(TOLKA_BUILDING)
#define TOLKA_API extern "C" __attribute__((visibility("default")))
#else
#define TOLKA_API extern "C"
#endif

enum TolkaLang : std::uint32_t {
    TolkaLangChinese = 1,
    TolkaLangEnglish = 2,
};

// Number of string ids (0 to kTolkaStringCount - 1).
inline constexpr std::uint32_t kTolkaStringCount = 171;

// The text of `id` in the current language; "" (never null) when no language is
// selected, the id is out of range, or the id has no text.
TOLKA_API const wchar_t* TolkaGetString(std::uint32_t id);

// Selects the language. 1 Chinese, 2 English; any other value makes every lookup "".
TOLKA_API void TolkaSetLang(TolkaLang lang);
