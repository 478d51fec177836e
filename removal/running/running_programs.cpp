#include "removal/running/running_programs.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "removal/own_files/self_remover.h"
#include "removal/results/outcome.h"
#include "removal/safety/path_walk.h"
#include "removal/safety/protected_places.h"
#include "sysops/checked.h"
#include "sysops/code_page.h"
#include "sysops/file_helpers.h"
#include "sysops/handle_ops.h"
#include "text/ascii_case.h"
#include "text/path_text.h"

// What a file is, whatever path leads to it: its volume and its index there.
struct FileIdentity {
    DWORD volume;
    uint64_t index;
};

enum ProgramState { NotAsked, AskedToClose, BeingEnded };

// What identifies a process found running. No handle to it is held from the look to the
// closing, across the wizard's question: it is opened again then, and taken for the one found
// only when it was created at the same moment, as a process id is given again once its process
// has ended.
struct RunningProcess {
    DWORD id;
    FILETIME created;
    HANDLE handle;            // held while the look runs, and again while the closing runs
    bool here;                // in this program's session
    bool service;             // a service's, whatever its session: never asked, never ended
    bool windowed;            // it has a top-level window that can be asked to close
    bool product;             // its image is a file that the log removes
    ProgramState state;
    FileIdentity image;
    wchar_t* path;            // the image's final path, allocated
    char name[PathBufferSize];  // its base name in the ANSI code page; empty when not exact
};

// Room for a final path, which may be longer than the spelling that led to it.
constexpr DWORD FinalPathSize = 2 * MAX_PATH;

static RunningProcess* Processes;
static size_t ProcessCount;
static size_t ProcessCapacity;
// The service manager is asked once a look, and only once a program of the product's is found.
static bool ServicesFound;

// Every path this search opens, the log's and the images', is opened here and nowhere else, and
// reached as the removal reaches it: from its volume's root, through no link, only to tell what
// it names. The log's paths mean what this program is shown; a running program's image is named
// as the disk holds it, whatever the program's bitness. Null when it cannot be opened.
static HANDLE OpenToIdentify(const wchar_t* path, PathView view)
{
    HANDLE file;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    if (OpenByWalk(path, view, FILE_READ_ATTRIBUTES, share, FILE_SYNCHRONOUS_IO_NONALERT, &file))
        return nullptr;
    return file;
}

static bool Identify(HANDLE file, FileIdentity* identity, DWORD* attributes)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (CheckedHandleInformation(file, &information))
        return false;
    identity->volume = information.dwVolumeSerialNumber;
    identity->index = (uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    *attributes = information.dwFileAttributes;
    return true;
}

static bool SameFile(const FileIdentity& a, const FileIdentity& b)
{
    return a.volume == b.volume && a.index == b.index;
}

// `path` begins with the first `length` characters of `prefix`, ignoring ASCII letter case: both
// are final paths, spelled as the file system names what they pass through.
static bool StartsWith(const wchar_t* path, const wchar_t* prefix, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (FoldAsciiLower(path[i]) != FoldAsciiLower(prefix[i]))
            return false;
    return true;
}

// This program's own file, as the handle that holds it shows it: another run of it is no
// program of the product's.
static FileIdentity OwnImage;
static bool OwnImageKnown;

// The image's identity, final path and ANSI base name into `found`; false for an image that is
// none of the product's by any means: this program's own file. (This run's helper and private
// folder do not exist yet: they are made once the removal is under way.)
static bool DescribeImage(const wchar_t* image, RunningProcess* found)
{
    HANDLE file = OpenToIdentify(image, ViewOfDisk);
    if (!file)
        return false;
    wchar_t path[FinalPathSize];
    DWORD attributes;
    bool known = Identify(file, &found->image, &attributes) &&
                 !CheckedFinalPath(file, path, FinalPathSize);
    CloseHandle(file);
    if (!known || (OwnImageKnown && SameFile(found->image, OwnImage)))
        return false;
    const wchar_t* name = wcsrchr(path, L'\\');
    name = name ? name + 1 : path;
    ToAnsi(name, wcslen(name), found->name, sizeof found->name, true);
    found->path = _wcsdup(path);
    return found->path != nullptr;
}

static bool MakeRoom()
{
    if (ProcessCount < ProcessCapacity)
        return true;
    size_t capacity = ProcessCapacity ? 2 * ProcessCapacity : 64;
    void* grown = realloc(Processes, capacity * sizeof *Processes);
    if (!grown)
        return false;
    Processes = static_cast<RunningProcess*>(grown);
    ProcessCapacity = capacity;
    return true;
}

// The rights every process is opened with: to name its image, tell when it was created, and
// see whether it has ended. Ending one needs more, asked only of a program of the product's
// that the administrator asked to end (CloseThenEnd).
constexpr DWORD QueryRights = PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;

static bool CreatedAt(HANDLE process, FILETIME* created)
{
    FILETIME exited, kernel, user;
    return GetProcessTimes(process, created, &exited, &kernel, &user);
}

// Held while the look runs, so that the windows seen then are this very process's.
static void ListProcess(DWORD id, DWORD ownSession)
{
    HANDLE process = OpenProcess(QueryRights, FALSE, id);
    if (!process)
        return;
    wchar_t image[FinalPathSize];
    DWORD length = FinalPathSize, session;
    RunningProcess* found = MakeRoom() ? &Processes[ProcessCount] : nullptr;
    if (found)
        *found = {};
    if (found && CreatedAt(process, &found->created) &&
        QueryFullProcessImageNameW(process, 0, image, &length) && DescribeImage(image, found)) {
        found->handle = process;
        found->id = id;
        found->here = ProcessIdToSessionId(id, &session) && session == ownSession;
        // A run in session 0, a deployment agent's as SYSTEM, shares it with the services, and
        // no user is there: what runs beside it is taken for a service's.
        found->service = found->here && ownSession == 0;
        ++ProcessCount;
        return;
    }
    CloseHandle(process);
}

static void CloseProcessHandles()
{
    for (size_t i = 0; i < ProcessCount; ++i) {
        if (Processes[i].handle)
            CloseHandle(Processes[i].handle);
        Processes[i].handle = nullptr;
    }
}

static void ForgetProcesses()
{
    CloseProcessHandles();
    for (size_t i = 0; i < ProcessCount; ++i)
        free(Processes[i].path);
    ProcessCount = 0;
}

static bool IsClosable(const RunningProcess& process)
{
    return process.product && process.here && !process.service;
}

// The system's input method gives each thread a window of its own, which is not the program's.
static bool IsInputMethodWindow(HWND window)
{
    char name[8];
    return GetClassNameA(window, name, sizeof name) == 3 && memcmp(name, "IME", 3) == 0;
}

// Notes which processes have a top-level window; with `ask`, the close a user asks for is sent
// to each window of the product's programs here (a tray program's is hidden), posted, so that a
// program that hangs cannot stop this one. Only a process held open is looked for: its id then
// names no other.
static BOOL CALLBACK VisitWindow(HWND window, LPARAM ask)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    for (size_t i = 0; i < ProcessCount; ++i) {
        RunningProcess& process = Processes[i];
        if (process.id != id || !process.handle || IsInputMethodWindow(window))
            continue;
        process.windowed = true;
        if (ask && IsClosable(process) && PostMessageW(window, WM_CLOSE, 0, 0))
            process.state = AskedToClose;
    }
    return TRUE;
}

void ListRunningProcesses()
{
    ForgetProcesses();
    ServicesFound = false;
    DWORD volume;
    uint64_t index;
    OwnImageKnown = OwnImageIdentity(&volume, &index);
    OwnImage = {volume, index};
    DWORD ownSession = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &ownSession);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID != GetCurrentProcessId())
            ListProcess(entry.th32ProcessID, ownSession);
    CloseHandle(snapshot);
    EnumWindows(VisitWindow, false);
    CloseProcessHandles();
}

// The service manager knows the process of each service that runs: a program of the product's
// that serves as one is left to it, in any session.
static void FindServices()
{
    if (ServicesFound)
        return;
    ServicesFound = true;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
    if (!manager)
        return;
    // A buffer of this size takes dozens of services a call, each at most a few hundred bytes.
    alignas(8) static BYTE listed[32768];
    DWORD needed, count, resume = 0;
    for (BOOL done = FALSE; !done;) {
        done = EnumServicesStatusExW(manager, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_ACTIVE,
                                     listed, sizeof listed, &needed, &count, &resume, nullptr);
        if (!done && (GetLastError() != ERROR_MORE_DATA || count == 0))
            break;
        const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(listed);
        for (DWORD s = 0; s < count; ++s)
            for (size_t i = 0; i < ProcessCount; ++i)
                if (Processes[i].id == services[s].ServiceStatusProcess.dwProcessId)
                    Processes[i].service = true;
    }
    CloseServiceHandle(manager);
}

// The walk enters a tree's root only when it is a folder opened without following a link at its
// name, that its parent lists as no link either, and that is none of the protected folders on
// disk, however the log spells it: a root refused, or removed as a link, holds none of the
// product's programs. A root that is a plain file goes as a "file:" entry would.
static bool IsWalkedRoot(HANDLE root, const FileIdentity& identity, DWORD attributes,
                         const wchar_t* path)
{
    EntryInfo listed = {};
    QueryEntryInfo(path, &listed);
    if ((attributes | listed.attributes) & FILE_ATTRIBUTE_REPARSE_POINT)
        return false;
    return !(attributes & FILE_ATTRIBUTE_DIRECTORY) || !IsProtectedFolder(root, identity.index);
}

// What the log's `path` names, as the removal will meet it: its identity, and for a tree that the
// walk enters, the final path that the images inside it begin with (FinalPathSize characters;
// `*treeLength` of them, or 0). False for a tree's root that the walk does not enter.
static bool LookAtLogPath(const char* path, bool tree, FileIdentity* identity, wchar_t* reached,
                          size_t* treeLength)
{
    wchar_t wide[PathBufferSize];
    HANDLE file = nullptr;
    if (!CheckedWiden(path, wide, PathBufferSize))
        file = OpenToIdentify(wide, ViewOfThisProgram);
    if (!file)
        return false;
    DWORD attributes;
    bool known = Identify(file, identity, &attributes) &&
                 !CheckedFinalPath(file, reached, FinalPathSize);
    known = known && (!tree || IsWalkedRoot(file, *identity, attributes, wide));
    bool folder = tree && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    *treeLength = known && folder ? TrimmedLength(reached, wcslen(reached)) : 0;
    CloseHandle(file);
    return known;
}

void MatchProgramPlace(const char* path, bool tree)
{
    // Opening every file the log lists would cost the removal dearly: only a file that has the
    // name of a running image, or a short name, which could be any, is looked at.
    const char* name = BaseName(path);
    bool anyName = tree || strchr(name, '~') != nullptr, looked = false, found = false;
    FileIdentity place;
    wchar_t reached[FinalPathSize];
    size_t length = 0;
    for (size_t i = 0; i < ProcessCount; ++i) {
        RunningProcess& process = Processes[i];
        if (process.product || (!anyName && !EqualIgnoringCase(process.name, name)))
            continue;
        if (!looked && !LookAtLogPath(path, tree, &place, reached, &length))
            return;
        looked = true;
        // The walk enters no link, so what it reaches lies under the root's own final path.
        process.product = SameFile(process.image, place) ||
                          (length > 0 && StartsWith(process.path, reached, length) &&
                           process.path[length] == L'\\');
        found = found || process.product;
    }
    if (found)
        FindServices();
}

// The `index`th process that is the product's, in this session, no service's, and with a
// window; null past the last.
static RunningProcess* Here(size_t index)
{
    for (size_t i = 0; i < ProcessCount; ++i)
        if (IsClosable(Processes[i]) && Processes[i].windowed && index-- == 0)
            return &Processes[i];
    return nullptr;
}

size_t ProgramsHere()
{
    size_t count = 0;
    while (Here(count))
        ++count;
    return count;
}

const wchar_t* ProgramHere(size_t index)
{
    return Here(index)->path;
}

// Opened again once the choice is made, with the right to end it only where that choice may
// end it. A process that cannot be opened with the rights it was found with, or was created at
// another moment, has ended: its id may name another process now.
static void Reopen(RunningProcess* process, ClosingChoice choice)
{
    HANDLE handle = nullptr;
    if (choice == CloseThenEnd && IsClosable(*process))
        handle = OpenProcess(QueryRights | PROCESS_TERMINATE, FALSE, process->id);
    if (!handle)
        handle = OpenProcess(QueryRights, FALSE, process->id);
    FILETIME created;
    if (handle && !(CreatedAt(handle, &created) &&
                    CompareFileTime(&created, &process->created) == 0)) {
        CloseHandle(handle);
        handle = nullptr;
    }
    process->handle = handle;
}

static bool HasEnded(const RunningProcess& process)
{
    return !process.handle || WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0;
}

// Until every process asked to close or being ended has ended, or `limit` ms have passed.
static void WaitForEnds(DWORD limit, void (*answer)())
{
    for (DWORD start = GetTickCount();;) {
        HANDLE waiting[MAXIMUM_WAIT_OBJECTS - 1];
        DWORD count = 0;
        for (size_t i = 0; i < ProcessCount && count < MAXIMUM_WAIT_OBJECTS - 1; ++i)
            if (Processes[i].state != NotAsked && !HasEnded(Processes[i]))
                waiting[count++] = Processes[i].handle;
        DWORD spent = GetTickCount() - start;
        if (count == 0 || spent >= limit)
            return;
        MsgWaitForMultipleObjects(count, waiting, FALSE, limit - spent, QS_ALLINPUT);
        answer();
    }
}

// One line for each program found: what became of it, and for one still running, why.
static void NoteProgram(const RunningProcess& process, ClosingChoice choice)
{
    if (HasEnded(process)) {
        NoteRunLine(process.state == BeingEnded ? "ended" : "closed", process.path, nullptr);
        return;
    }
    const char* reason = process.service           ? "a service"
                         : !process.here            ? "another session"
                         : choice == LeaveRunning ? "the user's choice"
                                                  : "no answer";
    NoteRunLine("still running", process.path, reason);
}

void CloseProductPrograms(ClosingChoice choice, void (*answer)())
{
    for (size_t i = 0; i < ProcessCount; ++i)
        if (Processes[i].product)
            Reopen(&Processes[i], choice);
    if (choice != LeaveRunning && ProgramsHere() > 0) {
        EnumWindows(VisitWindow, true);
        WaitForEnds(ClosingWait, answer);
    }
    // Only the administrator's explicit choice ends a process, and only one of this session
    // that is no service's.
    for (size_t i = 0; choice == CloseThenEnd && i < ProcessCount; ++i)
        if (IsClosable(Processes[i]) && !HasEnded(Processes[i]) &&
            TerminateProcess(Processes[i].handle, 1))
            Processes[i].state = BeingEnded;
    if (choice == CloseThenEnd)
        WaitForEnds(ClosingWait / 2, answer);
    for (size_t i = 0; i < ProcessCount; ++i)
        if (Processes[i].product)
            NoteProgram(Processes[i], choice);
    ForgetProcesses();
}
