#pragma once
// The uninstaller's own file and the directories above it are removed by a temporary copy of
// the program, started in helper mode once the wizard is over.
#include <windows.h>

#include <cstdint>

// Opens the program's own file, to hold it for the run, and checks through that handle that it
// is the very file the system started (the same file as the image, not the same name). False,
// and no copy can be made then, when it is not or cannot be opened. Called once, before anything
// else of a removal.
bool BindOwnImage();

// What the program's own file is on disk (volume serial and file index), as the handle that
// BindOwnImage holds shows it: the one identity by which the run knows its own file, however a
// log or the system spells it. False when the image is not bound.
bool OwnImageIdentity(DWORD* volume, uint64_t* index);

// Where the program's own file lies now, as the handle that BindOwnImage holds shows it: "C:\..."
// or "\\?\UNC\...", the disk's own view. False when the image is not bound or the path does not
// fit `size`.
bool OwnImagePath(wchar_t* path, DWORD size);

// Copies the program's own file, through the handle that BindOwnImage holds (without it there
// is no copy), into the run's private folder and, once the copy is locked and holds the
// program's own bytes, starts it with "-u" and the DeferredList. When no such copy can be
// started, the own file is let go and the deferred paths are removed now where they can be and
// handed to the restart otherwise. Then the private folder goes, or is left to the restart when
// something is still inside; when the helper started and nothing of the run waits for the
// restart, it is left to the helper instead. False when the paths were not handed to a helper.
bool LaunchSelfRemover();

// Helper mode: waits for the uninstaller that started it to end; when the run's private folder
// was left to it, moves its own running file out of the folder and removes the folder; then
// removes the `count` paths, files before the directories above them, retrying for a while what
// another process holds. What still stays is scheduled for removal at the next restart. Failures
// are left in the error record.
void RunHelperMode(int count, char** paths);
