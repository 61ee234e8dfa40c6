// Where a fatal fault's description goes before the fault is raised: the program points
// it at its crash report (information entry 0); until then the text goes nowhere.
// Thread-safe: any thread may report; the sink is set once at start-up.
#pragma once

namespace zovi::platform {

using FatalMessageSink = void (*)(const wchar_t* text);

void SetFatalMessageSink(FatalMessageSink sink);
void ReportFatalMessage(const wchar_t* text);

}  // namespace zovi::platform
