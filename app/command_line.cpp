#include "app/command_line.h"

#include <cstring>

#include "removal/helper_command_line.h"
#include "removal/ascii_case.h"

// True when `argument` is "/" or "-" followed by `name` (in lower case; the argument's letter
// case is ignored), and sets *rest to what follows; a name ending with "=" takes a value.
static bool IsSwitch(const char* argument, const char* name, const char** rest)
{
    size_t length = strlen(name);
    if ((argument[0] != '/' && argument[0] != '-') ||
        !MatchesIgnoringCase(argument + 1, name, length))
        return false;
    *rest = argument + 1 + length;
    return name[length - 1] == '=' || **rest == '\0';
}

// One argument of the wizard's or the unattended mode's command line; false when it is not
// understood.
static bool TakeArgument(const char* argument, StartRequest* request)
{
    const char* rest;
    if (IsSwitch(argument, "?", &rest))
        request->mode = StartHelp;
    else if (IsSwitch(argument, "s", &rest))
        request->silent = true;
    else if (IsSwitch(argument, "log=", &rest))
        request->reportPath = rest;
    else if (argument[0] == '/' || argument[0] == '-')
        return false;
    else
        request->logPath = argument;
    return !request->reportPath || *request->reportPath;
}

StartRequest ReadCommandLine(int argc, char** argv)
{
    StartRequest request = {};
    if (argc > 1 && IsHelperSwitch(argv[1])) {
        request.mode = StartHelper;
        request.helperCount = argc - 2;
        request.helperPaths = argv + 2;
        return request;
    }
    request.mode = StartWizard;
    for (int i = 1; i < argc && !request.logPath && request.mode == StartWizard; ++i)
        if (!TakeArgument(argv[i], &request))
            request.mode = StartRefused;
    if (request.mode == StartWizard && request.silent) {
        bool extra = request.logPath && argv[argc - 1] != request.logPath;
        request.mode = extra ? StartRefused : StartSilent;
    }
    return request;
}
