#include "text/command_line.h"

#include <cstring>

#include "text/ascii_case.h"
#include "text/helper_command_line.h"

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

// What a switch does. Deployment tools pass the switches of the installers they know: each that
// asks for no window means /S, each that asks for progress and no question shows the removal
// page alone; those that ask for no box, no restart or no start-up page are what an unattended
// run does anyway.
enum SwitchEffect {
    SwitchHelp, SwitchSilent, SwitchProgress, SwitchReport, SwitchDefaultReport, SwitchLeave,
    SwitchEnd, SwitchNothing
};
struct SwitchName {
    const char* name;
    SwitchEffect effect;
};
static const SwitchName Switches[] = {
    {"?", SwitchHelp},           {"s", SwitchSilent},          {"silent", SwitchProgress},
    {"verysilent", SwitchSilent}, {"quiet", SwitchSilent},      {"qn", SwitchSilent},
    {"passive", SwitchProgress}, {"log=", SwitchReport},       {"log", SwitchDefaultReport},
    {"suppressmsgboxes", SwitchNothing}, {"norestart", SwitchNothing}, {"sp-", SwitchNothing},
    {"nocloseapplications", SwitchLeave}, {"forcecloseapplications", SwitchEnd},
};

// The view a switch asks for, the stronger request kept: nothing shown over progress over pages.
static void AskView(StartRequest* request, StartView view)
{
    request->silent = true;
    if (view > request->view)
        request->view = view;
}

// One argument of the wizard's or the unattended mode's command line; false when it is not
// understood.
static bool TakeArgument(const char* argument, StartRequest* request)
{
    if (argument[0] != '/' && argument[0] != '-') {
        request->logPath = argument;
        return true;
    }
    const char* rest;
    for (const SwitchName& entry : Switches) {
        if (!IsSwitch(argument, entry.name, &rest))
            continue;
        if (entry.effect == SwitchHelp)
            request->mode = StartHelp;
        else if (entry.effect == SwitchSilent || entry.effect == SwitchProgress)
            AskView(request, entry.effect == SwitchSilent ? ViewNothing : ViewProgress);
        else if (entry.effect == SwitchReport)
            request->reportPath = rest;
        else if (entry.effect == SwitchDefaultReport)
            request->reportPath = nullptr;
        request->leaveRunning |= entry.effect == SwitchLeave;
        request->endRunning |= entry.effect == SwitchEnd;
        return !request->reportPath || *request->reportPath;
    }
    return false;
}

StartRequest ReadCommandLine(int argc, char** argv, bool unattended)
{
    StartRequest request = {};
    if (unattended)
        AskView(&request, ViewNothing);
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
