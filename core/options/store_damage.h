// Writes the settings store's damage reports (a damaged store file moved aside) to the
// log. The store is first read before the log opens, so the start-up calls this once the
// log is open; a save calls it too.
#pragma once

void ReportSettingsStoreDamage();
