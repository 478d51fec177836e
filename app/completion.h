#pragma once
// The run's verdict, worked out once, and what the completion page and /S's exit code say of it.

// How far the removal got, before the self-remover.
enum RemovalRun { NoLogGiven, LogAbsent, LogNotRead, LogApplied };

// The run's end, in rising order of trouble once the log was applied.
enum RunVerdict {
    VerdictAnotherRun,      // another run of this uninstaller is at work: nothing done
    VerdictNoLog,           // started without an install log: nothing done
    VerdictNotInstalled,    // the log's path names nothing: nothing done
    VerdictLogNotRead,      // nothing done
    VerdictComplete,        // everything of the product gone or already absent
    VerdictYoursKept,       // the same, with the user's own files or settings where they were
    VerdictRestartFinishes, // what was in use, or the program's own paths, go at the restart
    VerdictItemsLeft,       // something of the product stays
    VerdictCount
};

// The verdict of `run` from the outcome's counts, once LaunchSelfRemover has said whether the
// program's own paths were handed to a helper (`helped`).
RunVerdict JudgeRun(RemovalRun run, bool helped);

// The exit code that tells `verdict` to a deployment tool under /S.
int ExitCodeOf(RunVerdict verdict);

// Tells the user in a box that another run is at work; the wizard then ends.
void ShowAnotherRun();

// Shows the completion page for `verdict`; `report` is the report that was written, or empty.
// Returns once OK ended it.
void ShowCompletion(RunVerdict verdict, const char* report);

// When something waits for the restart: asks whether to restart Windows now and, on Yes, does.
void OfferRestart(RunVerdict verdict);
