// Writes the settings store's damage reports (a damaged store file moved aside) and the
// notes on stored values that were refused (a wrong type, a value outside its table) to
// the log, each once. The store is first read before the log opens, so the start-up calls
// this once the log is open; a save calls it too.
#pragma once
#include <string>

void ReportSettingsStoreDamage();

// Keeps a note on a refused stored value until the next report.
void NoteSettingsProblem(const std::wstring& text);
