// The at-exit list: process-wide objects queue their destruction here and the run step
// destroys them at shutdown in the order in which they were made.
#pragma once
#include "core/deferred/deferred_proc_call.h"

// The newest at-exit list, made on first use.
CDeferredProcCallList* GetAtExitList();
// Appends `call` to the at-exit list (made if missing).
void AddAtExitCall(CDeferredProcCall* call);
// Runs every at-exit list, newest list first, each first in, first out, then destroys
// it. Calls added while a list runs run in the same pass. Afterwards there is no list
// until the next AddAtExitCall.
void RunAtExitList();
