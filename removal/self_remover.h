#pragma once
// The uninstaller's own file and the directories above it are removed by a temporary copy of
// the program, started in helper mode once the wizard is over.

// Copies the running executable to the temporary directory and starts the copy with "-u" and
// the DeferredList. Does nothing when the list is empty; failures are not reported, the
// deferred paths then simply stay.
void LaunchSelfRemover();

// Helper mode: waits for the uninstaller to end, then removes each of the `count` paths once,
// in order. Failures are left in the error record.
void RunHelperMode(int count, char** paths);
