// The recorder's start as a person sees it: from the start of the ZoviCapture process to
// the first presented frame of its main window that shows the device lists.
#pragma once
#include <string>

// The median over several starts in private homes, in milliseconds; -1 when the window
// never showed its devices.
double MainWindowOpenMs(const std::string& program);
