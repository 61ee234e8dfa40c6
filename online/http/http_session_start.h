// The HTTP layer's start for the program: libcurl started before any thread, and the
// shared session's cookies kept in "cookies.txt" of the per-user data folder.
#pragma once

// Once, early in the program's start.
void StartHttpSession();
