#pragma once
// What became of each thing the install log asked to remove, counted for this run. The counts
// come from the results of the calls the engine made, never from another look at the disk.
//
// One count is one file-system entry or registry entry the engine acted on: a "file:", "dir:",
// "link:" or "key:" entry is one; a "dirw:" tree counts each file and directory in it, itself
// included, so that "kept" tells how many things are still there. Entries that the log names
// but the engine refused before acting (a path too long, a tree at a drive's root) are kept.
#include <cstdint>

#include "removal/results/outcome_lines.h"

// In rising order of trouble: the worse of two outcomes is the larger. A folder or key that
// stays only for what the user put there is the user's: the end that was wanted, not a fault.
enum OutcomeKind { OutcomeRemoved, OutcomeAbsent, OutcomeYours, OutcomeAtRestart, OutcomeKept };

struct RemovalOutcome {
    uint32_t removed;      // gone now; also what was handed to the self-remover
    uint32_t absent;       // was not there: not a problem
    uint32_t atRestart;    // scheduled for removal at the next restart
    uint32_t kept;         // still there: the system refused, the line gives its reason
    uint32_t yours;        // folders and keys that stay for the user's own files and settings
    uint32_t entries;      // tagged entries in the log, counted before the first is applied
    uint32_t applied;      // tagged entries applied so far
    uint32_t linesLeftOut; // lines that did not fit the text (memory, or its limit)
};

extern RemovalOutcome Outcome;

// Called with the path of each outcome once it is noted, while the removal runs; null: nothing.
// A window set here can answer during a long removal: the program's one thread is busy in it.
// One of the two is given: the log's own ANSI text, or a path as the file system spells it.
using ProgressHandler = void (*)(const char* text, const wchar_t* path);
extern ProgressHandler RemovalProgress;

// Counts one outcome and returns `kind`. Every outcome other than removed also adds a line to
// the text that OutcomeLines gives; a kept one takes its reason from the error record, so it is
// noted right after the call that failed. `what` is the log's own text (a path or the "key:" argument, ANSI).
OutcomeKind NoteOutcome(OutcomeKind kind, const char* what);
// The same for a path as the file system spells it, exactly as it is.
OutcomeKind NoteOutcome(OutcomeKind kind, const wchar_t* path);

// A line that tells something of the run other than an entry's outcome: `word`, the path as the
// file system spells it and, when not null, `detail`. It counts nothing.
void NoteRunLine(const char* word, const wchar_t* path, const char* detail);

// True when something below `directory` (with or without a trailing backslash) was scheduled
// for removal at the next restart, as far as the lines tell.
bool AnyAtRestartBelow(const wchar_t* directory);

// The same for something kept below `directory` (a folder, or a key's "key:" text).
bool AnyKeptBelow(const wchar_t* directory);

// Notes a folder (`settings` false) or key that stays for what the user put in it, with the
// names it holds.
void NoteUsersOwn(bool settings, const wchar_t* what, const HeldNames& names);

// Starts the counts and the text afresh, releasing the text's memory.
void ClearOutcome();
