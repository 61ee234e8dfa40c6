// The account side at start: the account context, made once per process by whichever
// start step comes first, and the capture history's source of the signed-in user.
#pragma once

// Makes the account context when it does not exist yet (its at-exit entry with it) and
// makes it the capture history's source of the signed-in user's number, so the history
// names its store after that user (0 when signed out or once the context is gone).
void MakeAccountContext();
