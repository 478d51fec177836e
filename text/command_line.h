#pragma once
// What the command line asks of the program. Free of Windows.
//   uninstall.exe [/S | /SILENT] [/LOG[=report]] [install log]   the wizard, or unattended
//   uninstall.exe /?                                    the list of switches
//   uninstall.exe -u "path" ...                         the temporary copy's helper mode
// Switches begin with "/" or "-" and ignore ASCII letter case. /VERYSILENT, /QUIET and /QN mean
// /S, no window at all; /SILENT and /PASSIVE are unattended too, with the removal page shown;
// /SUPPRESSMSGBOXES, /NORESTART and /SP- are taken and change nothing;
// /LOG without a path asks for the report in its usual place. /NOCLOSEAPPLICATIONS leaves the
// product's running programs alone; /FORCECLOSEAPPLICATIONS ends those that do not close.

enum StartMode {
    StartWizard,   // the pages, then the removal
    StartSilent,   // the same removal asking nothing; the exit code tells the outcome
    StartHelper,   // the temporary copy removing the uninstaller's own paths
    StartHelp,     // the list of switches
    StartRefused,  // an argument that is not understood: nothing is done
};

// What an unattended run shows: a switch that asks for nothing shown wins, whatever the order.
enum StartView { ViewPages, ViewProgress, ViewNothing };

struct StartRequest {
    StartMode mode;
    bool silent;             // unattended: nothing asked, no box (StartHelp, StartRefused too)
    StartView view;          // the wizard's pages, only the removal page (/SILENT), or nothing
    const char* logPath;     // the first argument that is not a switch; null when none
    const char* reportPath;  // from /LOG=; null for the report's place in the temporary directory
    bool leaveRunning;       // /NOCLOSEAPPLICATIONS, which wins over the next
    bool endRunning;         // /FORCECLOSEAPPLICATIONS
    int helperCount;         // helper mode: the paths after "-u"
    char** helperPaths;
};

// Reads `argc` arguments after the program's own name (`argv[0]`). After the log's path the
// wizard ignores further arguments, as it always has; /S refuses them, since an administrator's
// unquoted path split at its blanks must not remove what its first half names. `unattended`:
// no one can answer or see a window (a service's session), and the run acts as with /S.
StartRequest ReadCommandLine(int argc, char** argv, bool unattended = false);
