#include "removal/running/running_programs.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "removal/results/outcome.h"
#include "sysops/checked.h"
#include "sysops/code_page.h"
#include "sysops/handle_ops.h"
#include "text/ascii_case.h"
#include "text/path_text.h"

// What a file is, whatever path leads to it: its volume and its index there.
struct FileIdentity {
    DWORD volume, high, low;
};

enum ProgramState { NotAsked, AskedToClose, BeingEnded };

struct RunningProcess {
    HANDLE handle;
    DWORD id;
    bool here;                // in this program's session
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

// Opens `path` only to tell what it is, never following a link at its end; null when it cannot.
static HANDLE OpenToIdentify(const wchar_t* path)
{
    HANDLE file;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    if (CheckedCreateFile(path, FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr,
                          &file))
        return nullptr;
    return file;
}

static bool Identify(HANDLE file, FileIdentity* identity, DWORD* attributes)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (CheckedHandleInformation(file, &information))
        return false;
    *identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
                 information.nFileIndexLow};
    *attributes = information.dwFileAttributes;
    return true;
}

static bool SameFile(const FileIdentity& a, const FileIdentity& b)
{
    return a.volume == b.volume && a.high == b.high && a.low == b.low;
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

// What this program's own file is: another run of it is no program of the product's.
static FileIdentity OwnImage;

static void IdentifyOwnImage()
{
    wchar_t own[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    HANDLE file = length > 0 && length < MAX_PATH ? OpenToIdentify(own) : nullptr;
    DWORD attributes;
    if (!file || !Identify(file, &OwnImage, &attributes))
        OwnImage = {};
    if (file)
        CloseHandle(file);
}

// The image's identity, final path and ANSI base name into `found`; false for an image that is
// none of the product's by any means: this program's own file. (This run's helper and private
// folder do not exist yet: they are made once the removal is under way.)
static bool DescribeImage(const wchar_t* image, RunningProcess* found)
{
    HANDLE file = OpenToIdentify(image);
    if (!file)
        return false;
    wchar_t path[FinalPathSize];
    DWORD attributes;
    bool known = Identify(file, &found->image, &attributes) &&
                 !CheckedFinalPath(file, path, FinalPathSize);
    CloseHandle(file);
    if (!known || SameFile(found->image, OwnImage))
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

// Held open from now on, so that the process waited for or ended later is this very one, and
// never another that took its number since.
static void ListProcess(DWORD id, DWORD ownSession)
{
    const DWORD query = PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;
    HANDLE process = OpenProcess(query | PROCESS_TERMINATE, FALSE, id);
    if (!process)
        process = OpenProcess(query, FALSE, id);
    if (!process)
        return;
    wchar_t image[FinalPathSize];
    DWORD length = FinalPathSize, session;
    RunningProcess* found = MakeRoom() ? &Processes[ProcessCount] : nullptr;
    if (found)
        *found = {};
    if (found && QueryFullProcessImageNameW(process, 0, image, &length) &&
        DescribeImage(image, found)) {
        found->handle = process;
        found->id = id;
        found->here = ProcessIdToSessionId(id, &session) && session == ownSession;
        ++ProcessCount;
        return;
    }
    CloseHandle(process);
}

static void ForgetProcesses()
{
    for (size_t i = 0; i < ProcessCount; ++i) {
        CloseHandle(Processes[i].handle);
        free(Processes[i].path);
    }
    ProcessCount = 0;
}

static bool IsClosable(const RunningProcess& process)
{
    return process.product && process.here;
}

// The system's input method gives each thread a window of its own, which is not the program's.
static bool IsInputMethodWindow(HWND window)
{
    char name[8];
    return GetClassNameA(window, name, sizeof name) == 3 && memcmp(name, "IME", 3) == 0;
}

// Notes which processes have a top-level window; with `ask`, the close a user asks for is sent
// to each window of the product's programs here (a tray program's is hidden), posted, so that a
// program that hangs cannot stop this one.
static BOOL CALLBACK VisitWindow(HWND window, LPARAM ask)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    for (size_t i = 0; i < ProcessCount; ++i) {
        RunningProcess& process = Processes[i];
        if (process.id != id || IsInputMethodWindow(window))
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
    IdentifyOwnImage();
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
}

// What the log's `path` names, as the removal will meet it, and the path the system reached
// (FinalPathSize characters).
static bool LookAtLogPath(const char* path, FileIdentity* identity, DWORD* attributes,
                          wchar_t* finalPath)
{
    wchar_t wide[PathBufferSize];
    HANDLE file = CheckedWiden(path, wide, PathBufferSize) ? nullptr : OpenToIdentify(wide);
    if (!file)
        return false;
    bool known = Identify(file, identity, attributes) &&
                 !CheckedFinalPath(file, finalPath, FinalPathSize);
    CloseHandle(file);
    return known;
}

void MatchProgramPlace(const char* path, bool tree)
{
    // Opening every file the log lists would cost the removal dearly: only a file that has the
    // name of a running image, or a short name, which could be any, is looked at.
    const char* name = BaseName(path);
    bool anyName = tree || strchr(name, '~') != nullptr, looked = false;
    FileIdentity place;
    DWORD attributes;
    wchar_t reached[FinalPathSize];
    size_t length = 0;
    for (size_t i = 0; i < ProcessCount; ++i) {
        RunningProcess& process = Processes[i];
        if (process.product || (!anyName && !EqualIgnoringCase(process.name, name)))
            continue;
        // A tree's root that is a link is removed as a link. The walk enters no link either, so
        // what it reaches lies under the root's own final path.
        if (!looked && (!LookAtLogPath(path, &place, &attributes, reached) ||
                        (tree && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))))
            return;
        looked = true;
        if (tree && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            length = TrimmedLength(reached, wcslen(reached));
        process.product = SameFile(process.image, place) ||
                          (length > 0 && StartsWith(process.path, reached, length) &&
                           process.path[length] == L'\\');
    }
}

// The `index`th process that is the product's, in this session and with a window; null past
// the last.
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

static bool HasEnded(const RunningProcess& process)
{
    return WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0;
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
    const char* reason = !process.here              ? "another session"
                         : choice == LeaveRunning ? "the user's choice"
                                                  : "no answer";
    NoteRunLine("still running", process.path, reason);
}

void CloseProductPrograms(ClosingChoice choice, void (*answer)())
{
    if (choice != LeaveRunning && ProgramsHere() > 0) {
        EnumWindows(VisitWindow, true);
        WaitForEnds(ClosingWait, answer);
    }
    // Only the administrator's explicit choice ends a process, and only one of this session.
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
