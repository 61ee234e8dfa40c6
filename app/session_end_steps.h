// The program's own steps of a session end, beside what its windows do when they are
// told: the loss of the X server is logged and the settings are saved at once, a
// recording still running when the loop has ended is finished, and SDL's connection to a
// lost X server is left alone.
#pragma once

// Makes the loop's session ends known to the program (before its windows hear of them).
void ObserveSessionEnd();
// After the loop: the running recording, if any, is stopped and its file finished.
void FinishRunningRecording();
// SDL_Quit, but SDL's video part only while the X server is there: SDL's connection is
// not ours, and on its loss Xlib would end the process in the middle of the shutdown.
void QuitSdl();
