// Start-up tests record without driving the capture main window: with
// ZOVI_TEST_RECORD_AT_START in the environment, the capture mode starts recording every
// monitor with the system sound as soon as its main window is up, as the window's start
// would, and logs the file's name.
#pragma once

void RecordAtStartWhenAsked();
