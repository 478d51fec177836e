#pragma once
// The product's programs that still run when its removal starts: a tray program the user forgot,
// the product itself left open. They are found by what their image file is, never by their
// name, so that a program of the same name elsewhere, or anybody else's, is never touched. They
// are asked to close as their user would, and ended only when the administrator asked for that;
// a service's never is. What still runs keeps its files in use, and those go at the restart.
#include <cstddef>

// Lists the processes that run now, in every session, and forgets those listed before. This
// program and other runs of its own file are not listed. Each is kept by what identifies it (its
// id, the moment it was created, its image as the disk holds it), never by a handle.
void ListRunningProcesses();

// A "file:" entry of the log, or with `tree` the root of a tree that a "dirw:" entry removes,
// meant as this program is shown the file system (System32 is SysWOW64 to it under WOW64): the
// listed processes whose image is that file, or lies inside that tree, are the product's. A root
// that the walk does not enter, a link or a protected folder however spelled, holds none of them.
void MatchProgramPlace(const char* path, bool tree);

// The product's programs found in this program's own session, the only ones it may close (a
// service's aside), that have a window to be asked to close; and the image path of the `index`th
// of them, as the system names it.
size_t ProgramsHere();
const wchar_t* ProgramHere(size_t index);

enum ClosingChoice {
    LeaveRunning,  // their files go at the restart: the user's choice
    CloseRunning,  // each is asked to close, and what does not stays running
    CloseThenEnd,  // what does not close in time is ended: only the administrator asks this
};

// Opens the product's programs again, the very processes found (with the right to end them only
// for CloseThenEnd), asks those of this session to close (WM_CLOSE to each of their top-level
// windows, hidden ones too), waits for them for at most ClosingWait ms in all, calling `answer`
// meanwhile so that this program's window keeps answering, and with CloseThenEnd ends what
// still runs, windowless ones too, waiting up to half as long again for them to go. A service's
// program is neither asked nor ended. Notes a line for each program found: closed, ended, or
// still running and why.
constexpr unsigned long ClosingWait = 10000;
void CloseProductPrograms(ClosingChoice choice, void (*answer)());
