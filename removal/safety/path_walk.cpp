// The walk holds each folder it passes and opens the next name inside it, so what a path's text
// says is looked up one name at a time, in folders already judged. A folder is entered only when
// it is the very entry that its parent lists by that name, and that entry is no link: some
// systems open a link's target even when asked for the link itself, and only the listing shows
// it for what it is. Folders are opened with every share mode and without the right to change
// anything: a user who holds one open, sharing nothing, can neither stop the walk nor be stopped
// by it. What they are, not what they are called later, is what counts: a folder renamed or
// replaced after it was passed leaves the walk inside the folder it judged.
#include "removal/safety/path_walk.h"

#include <winternl.h>

#include <cstdint>
#include <cstdlib>
#include <cwchar>

#include "sysops/checked.h"
#include "sysops/code_page.h"
#include "sysops/file_helpers.h"
#include "sysops/handle_ops.h"
#include "text/ascii_case.h"
#include "text/path_text.h"
#include "text/record_text.h"

// A folder the walk holds, and how much of the walked text names it (a root with its backslash).
struct HeldFolder {
    HANDLE handle;
    size_t end;
    bool listable;  // held with the right to list it, which a holder sharing nothing refuses
    bool searched;  // its handle has answered a search, and answers no other name
};

// The folders held from a volume's root down, and the text of the path they lie on; `spare`
// takes the next path's text.
struct FolderChain {
    HeldFolder* folders;
    size_t count;
    size_t capacity;
    wchar_t* text;
    wchar_t* spare;
};

// The log's entries follow one another folder by folder: their walks share this chain.
static FolderChain Shared;

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD ListAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD LookAccess = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD FolderOptions = FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT;

// Where a resolved path's root ends: "C:\", "\\server\share\" (or the whole text when it is the
// share's name alone); 0 for any other form, a device's or a volume's name among them.
static size_t RootLength(const wchar_t* text)
{
    wchar_t letter = FoldAsciiLower(text[0]);
    if (letter >= L'a' && letter <= L'z' && text[1] == L':' && text[2] == L'\\')
        return 3;
    if (text[0] != L'\\' || text[1] != L'\\' || text[2] == L'\\' || text[2] == L'\0')
        return 0;
    const wchar_t* share = wcschr(text + 2, L'\\');
    if (!share || share[1] == L'\\' || share[1] == L'\0')
        return 0;
    const wchar_t* end = wcschr(share + 1, L'\\');
    return end ? static_cast<size_t>(end - text) + 1 : wcslen(text);
}

// No name below the root is empty, "." or "..": the walk never climbs.
static bool PlainNames(const wchar_t* text, size_t root, size_t length)
{
    for (size_t start = root; start < length;) {
        const wchar_t* stop = wmemchr(text + start, L'\\', length - start);
        size_t end = stop ? static_cast<size_t>(stop - text) : length;
        size_t size = end - start;
        bool dots = text[start] == L'.' && (size == 1 || (size == 2 && text[start + 1] == L'.'));
        if (size == 0 || dots)
            return false;
        start = end + 1;
    }
    return true;
}

// `path` as Windows resolves it, into `out` (WidePathLimit characters): the device forms of a
// drive's or share's path made plain, trailing backslashes dropped. 0 when it names no place
// below a drive's or share's root that the walk can reach.
static size_t ResolvePath(const wchar_t* path, wchar_t* out)
{
    size_t length;
    if (wcsncmp(path, L"\\\\?\\", 4) == 0) {
        // Taken as written, as the system takes this form: no name in it is interpreted.
        length = wcslen(path);
        if (length >= WidePathLimit)
            return 0;
        wmemcpy(out, path, length + 1);
    } else {
        DWORD resolved = GetFullPathNameW(path, WidePathLimit, out, nullptr);
        if (resolved == 0 || resolved >= WidePathLimit)
            return 0;
        length = resolved;
    }
    if (out[0] == L'\\' && out[1] == L'\\' && (out[2] == L'?' || out[2] == L'.') &&
        out[3] == L'\\') {
        // "\\?\C:\..." becomes "C:\...", "\\?\UNC\server\..." becomes "\\server\...".
        size_t kept = MatchesIgnoringCase(out + 4, "unc\\", 4) ? 2 : 0;
        size_t from = kept ? 8 : 4;
        wmemmove(out + kept, out + from, length - from + 1);
        length -= from - kept;
    }
    length = TrimmedLength(out, length);
    out[length] = L'\0';
    size_t root = RootLength(out);
    return root && PlainNames(out, root, length) ? length : 0;
}

static bool RunsUnderWow64()
{
    static int known = -1;
    if (known < 0) {
        BOOL wow64 = FALSE;
        known = IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    }
    return known == 1;
}

// Whether `text` goes on with the folder `name` (a backslash and its name), ignoring case.
static bool GoesOnWith(const wchar_t* text, const wchar_t* name)
{
    size_t length = wcslen(name);
    return wcsnlen(text, length) == length &&
           CompareStringOrdinal(text, static_cast<int>(length), name, static_cast<int>(length),
                                TRUE) == CSTR_EQUAL &&
           (text[length] == L'\\' || text[length] == L'\0');
}

// The folders inside System32 that a 32-bit program is shown as they are.
static const wchar_t* const SharedSystemFolders[] = {
    L"\\catroot", L"\\catroot2", L"\\driverstore", L"\\drivers\\etc", L"\\logfiles", L"\\spool",
};

// What a 32-bit program means by `text` (`length` characters), as the disk names it: its System32
// is SysWOW64, its Sysnative the real System32. The new length; the text never grows.
static size_t ShowDiskView(wchar_t* text, size_t length)
{
    wchar_t windows[MAX_PATH];
    UINT size = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (size == 0 || size >= MAX_PATH || size > length)
        return length;
    size = static_cast<UINT>(TrimmedLength(windows, size));
    if (CompareStringOrdinal(text, static_cast<int>(size), windows, static_cast<int>(size), TRUE) !=
        CSTR_EQUAL)
        return length;
    wchar_t* rest = text + size;
    if (GoesOnWith(rest, L"\\Sysnative")) {
        wmemcpy(rest, L"\\System32", 9);
        wmemmove(rest + 9, rest + 10, length - size - 10 + 1);
        return length - 1;
    }
    if (!GoesOnWith(rest, L"\\System32"))
        return length;
    for (const wchar_t* shared : SharedSystemFolders)
        if (GoesOnWith(rest + 9, shared))
            return length;
    wmemcpy(rest + 1, L"SysWOW64", 8);
    return length;
}

static bool SameText(const wchar_t* a, const wchar_t* b, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (FoldAsciiLower(a[i]) != FoldAsciiLower(b[i]))
            return false;
    return true;
}

static void ReleaseFrom(FolderChain* chain, size_t keep)
{
    while (chain->count > keep)
        CloseHandle(chain->folders[--chain->count].handle);
}

static void ReleaseChain(FolderChain* chain)
{
    ReleaseFrom(chain, 0);
    free(chain->folders);
    free(chain->text);
    free(chain->spare);
    *chain = {};
}

static bool PushFolder(FolderChain* chain, HANDLE handle, size_t end, bool listable)
{
    if (chain->count == chain->capacity) {
        size_t capacity = chain->capacity ? chain->capacity * 2 : 16;
        auto* grown =
            static_cast<HeldFolder*>(realloc(chain->folders, capacity * sizeof(HeldFolder)));
        if (!grown)
            return false;
        chain->folders = grown;
        chain->capacity = capacity;
    }
    chain->folders[chain->count++] = {handle, end, listable, false};
    return true;
}

// The held folders that the new path in `spare` goes through, up to its folder ending at `end`,
// stay held; the others are let go (a folder held here could not be removed while it is), and
// the new path becomes the chain's text.
static void KeepShared(FolderChain* chain, size_t root, size_t end)
{
    const wchar_t* next = chain->spare;
    size_t keep = 0;
    for (; keep < chain->count; ++keep) {
        size_t folderEnd = chain->folders[keep].end;
        if (folderEnd > end)
            break;
        // The root, or a whole name of the new path: "C:\bin" is no folder of "C:\bin64\x".
        bool whole = keep == 0 ? folderEnd == root : next[folderEnd] == L'\\' || folderEnd == end;
        if (!whole || !SameText(chain->text, next, folderEnd))
            break;
    }
    ReleaseFrom(chain, keep);
    wchar_t* text = chain->text;
    chain->text = chain->spare;
    chain->spare = text;
}

// A holder who shares nothing refuses the right to list a folder; so, rarely, does its access
// list. Looking at it conflicts with no one.
static bool RefusedListing(Status status)
{
    return status->code == ERROR_SHARING_VIOLATION || status->code == ERROR_ACCESS_DENIED;
}

static Status OpenRoot(FolderChain* chain, size_t root)
{
    wchar_t* text = chain->text;
    wchar_t kept = text[root];
    text[root] = L'\0';
    HANDLE folder;
    bool listable = true;
    Status status = CheckedOpenPath(text, ListAccess, ShareAll, FolderOptions, &folder);
    if (status && RefusedListing(status)) {
        listable = false;
        status = CheckedOpenPath(text, LookAccess, ShareAll, FolderOptions, &folder);
    }
    text[root] = kept;
    if (!status && !PushFolder(chain, folder, root, listable)) {
        CloseHandle(folder);
        status = FailWithCode(ERROR_NOT_ENOUGH_MEMORY, "OpenByWalk", nullptr);
    }
    return status;
}

// A folder on the way that is a link, or not the folder its parent lists by that name: nothing
// is reached through it, and the record names it.
static Status FailAtFolder(wchar_t* text, size_t end, bool link)
{
    wchar_t kept = text[end];
    text[end] = L'\0';
    char folder[RecordDetailSize];
    ToAnsi(text, wcsnlen(text, (sizeof folder - 1) / 3), folder, sizeof folder, false);
    text[end] = kept;
    return FailWithCode(ERROR_CANT_ACCESS_FILE, "OpenByWalk",
                        link ? "%s is a link" : "%s changed while it was reached", folder);
}

// The folder held as `folder` is the entry that `parent` lists by the name text[start, end), and
// that entry is no link. A file system that gives no index in its listing is taken at its word.
static Status CheckListed(HANDLE parent, HANDLE folder, wchar_t* text, size_t start, size_t end)
{
    alignas(8) unsigned char found[sizeof(FILE_ID_BOTH_DIR_INFO) + MAX_PATH * sizeof(wchar_t)];
    int done = 1;
    uint64_t index = 0;
    Status status = CheckedFindBelow(parent, text + start, end - start, found, sizeof found,
                                     text, &done);
    if (!status)
        status = CheckedFileIndex(folder, &index);
    if (status)
        return status;
    const auto* listed = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(found);
    uint64_t id = static_cast<uint64_t>(listed->FileId.QuadPart);
    if (done || (listed->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return FailAtFolder(text, end, true);
    return id == 0 || id == index ? Succeeded : FailAtFolder(text, end, false);
}

// `reached` is `above`, a backslash unless it ends with one, and `name`, ignoring case.
static bool NamedBelow(const wchar_t* reached, const wchar_t* above, const wchar_t* name,
                       size_t length)
{
    size_t aboveLength = wcslen(above);
    size_t at = aboveLength + (aboveLength > 0 && above[aboveLength - 1] == L'\\' ? 0 : 1);
    return wcslen(reached) == at + length &&
           CompareStringOrdinal(reached, static_cast<int>(aboveLength), above,
                                static_cast<int>(aboveLength), TRUE) == CSTR_EQUAL &&
           CompareStringOrdinal(reached + at, static_cast<int>(length), name,
                                static_cast<int>(length), TRUE) == CSTR_EQUAL;
}

// Without its parent's listing, a folder is judged by what its own handle shows: no link, and
// reached at the name asked for, where a system that opens a link's target shows the target's.
static Status CheckUnlisted(HANDLE parent, HANDLE folder, wchar_t* text, size_t start, size_t end)
{
    BY_HANDLE_FILE_INFORMATION information;
    Status status = CheckedHandleInformation(folder, &information);
    if (status)
        return status;
    auto* above = static_cast<wchar_t*>(malloc(2 * WidePathLimit * sizeof(wchar_t)));
    if (!above)
        return FailWithCode(ERROR_NOT_ENOUGH_MEMORY, "OpenByWalk", nullptr);
    wchar_t* reached = above + WidePathLimit;
    status = CheckedFinalPath(parent, above, WidePathLimit);
    if (!status)
        status = CheckedFinalPath(folder, reached, WidePathLimit);
    bool same = !status && !(information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                NamedBelow(reached, above, text + start, end - start);
    free(above);
    if (status)
        return status;
    return same ? Succeeded : FailAtFolder(text, end, true);
}

// A handle's listing answers the name of its first search alone: a folder held that has been
// searched once is opened again, itself, for the next search.
static Status FreshForSearch(HeldFolder* folder)
{
    if (!folder->searched) {
        folder->searched = true;
        return Succeeded;
    }
    HANDLE fresh;
    Status status = CheckedReopen(folder->handle, ListAccess, ShareAll, FolderOptions, &fresh);
    if (status)
        return status;
    CloseHandle(folder->handle);
    folder->handle = fresh;
    return Succeeded;
}

// Opens the folder named text[start, end) inside the chain's last one, judges it, and holds it.
static Status StepInto(FolderChain* chain, size_t start, size_t end, const wchar_t* path)
{
    wchar_t* text = chain->text;
    HeldFolder& held = chain->folders[chain->count - 1];
    Status status = held.listable ? FreshForSearch(&held) : Succeeded;
    if (status)
        return status;
    const HeldFolder parent = held;
    HANDLE folder;
    bool listable = true;
    status = CheckedOpenBelow(parent.handle, text + start, end - start, ListAccess, ShareAll,
                              FolderOptions, path, &folder);
    if (status && RefusedListing(status)) {
        listable = false;
        status = CheckedOpenBelow(parent.handle, text + start, end - start, LookAccess, ShareAll,
                                  FolderOptions, path, &folder);
    }
    // A folder on the way that is missing, or a file, leaves no path to what it would hold.
    if (status && (status->code == ERROR_FILE_NOT_FOUND || status->code == ERROR_DIRECTORY))
        return FailForPath(ERROR_PATH_NOT_FOUND, "NtOpenFile", path);
    if (status)
        return status;
    status = parent.listable ? CheckListed(parent.handle, folder, text, start, end)
                             : CheckUnlisted(parent.handle, folder, text, start, end);
    if (!status && !PushFolder(chain, folder, end, listable))
        status = FailWithCode(ERROR_NOT_ENOUGH_MEMORY, "OpenByWalk", nullptr);
    if (status)
        CloseHandle(folder);
    return status;
}

// Walks the chain, whose text the new path now is, down to its folder ending at `end`.
static Status WalkDown(FolderChain* chain, size_t root, size_t end, const wchar_t* path)
{
    if (chain->count == 0) {
        Status status = OpenRoot(chain, root);
        if (status)
            return status;
    }
    for (size_t at = chain->folders[chain->count - 1].end; at < end;) {
        size_t start = at == root ? at : at + 1;
        const wchar_t* stop = wmemchr(chain->text + start, L'\\', end - start);
        size_t next = stop ? static_cast<size_t>(stop - chain->text) : end;
        Status status = StepInto(chain, start, next, path);
        if (status)
            return status;
        at = next;
    }
    return Succeeded;
}

// A path's text as the walk reads it, and where its parts end.
struct WalkedPath {
    size_t root;    // its root's length
    size_t parent;  // the end of the folder that holds its last name; the root's for a root
    size_t length;
};

// Resolves `path` into the chain's spare text, as `view` reads it; the chain then keeps the
// folders that it shares with that path and takes it for its text.
static Status TakePath(FolderChain* chain, const wchar_t* path, PathView view, WalkedPath* walked)
{
    if (!chain->text) {
        chain->text = static_cast<wchar_t*>(malloc(WidePathLimit * sizeof(wchar_t)));
        chain->spare = static_cast<wchar_t*>(malloc(WidePathLimit * sizeof(wchar_t)));
        if (!chain->text || !chain->spare) {
            ReleaseChain(chain);
            return FailForPath(ERROR_NOT_ENOUGH_MEMORY, "OpenByWalk", path);
        }
        chain->text[0] = L'\0';
    }
    wchar_t* text = chain->spare;
    size_t length = ResolvePath(path, text);
    if (length == 0)
        return FailForPath(ERROR_BAD_PATHNAME, "OpenByWalk", path);
    if (view == ViewOfThisProgram && RunsUnderWow64())
        length = ShowDiskView(text, length);
    size_t root = RootLength(text);
    const wchar_t* last = wcsrchr(text, L'\\');
    size_t cut = static_cast<size_t>(last - text);
    walked->root = root;
    walked->parent = length <= root ? root : cut < root ? root : cut;
    walked->length = length;
    KeepShared(chain, root, walked->parent);
    return Succeeded;
}

// Where the last name starts: past the root, or past the parent's backslash.
static size_t NameStart(const WalkedPath& walked)
{
    return walked.parent == walked.root ? walked.root : walked.parent + 1;
}

// The 32-bit program's opens are redirected by the system, relative ones perhaps too; the walk's
// text already names what is meant, so none of its own is.
static bool StopRedirection(PVOID* old)
{
    return RunsUnderWow64() && Wow64DisableWow64FsRedirection(old);
}

static void ResumeRedirection(bool stopped, PVOID old)
{
    if (stopped)
        Wow64RevertWow64FsRedirection(old);
}

// Walks `chain` to the folder of `path`, then opens the entry itself there (the root itself when
// the path names one).
static Status WalkAndOpen(FolderChain* chain, const wchar_t* path, PathView view, DWORD access,
                          DWORD share, DWORD options, HANDLE* opened)
{
    *opened = nullptr;
    WalkedPath walked;
    Status status = TakePath(chain, path, view, &walked);
    if (status)
        return status;
    PVOID old = nullptr;
    bool stopped = StopRedirection(&old);
    status = WalkDown(chain, walked.root, walked.parent, path);
    access |= SYNCHRONIZE | FILE_READ_ATTRIBUTES;
    size_t start = NameStart(walked);
    wchar_t* text = chain->text;
    if (!status && walked.length <= walked.root) {
        wchar_t kept = text[walked.root];
        text[walked.root] = L'\0';
        status = CheckedOpenPath(text, access, share, options, opened);
        text[walked.root] = kept;
    } else if (!status) {
        status = CheckedOpenBelow(chain->folders[chain->count - 1].handle, text + start,
                                  walked.length - start, access, share, options, path, opened);
    }
    ResumeRedirection(stopped, old);
    return status;
}

Status OpenByWalk(const wchar_t* path, PathView view, DWORD access, DWORD share, DWORD options,
                  HANDLE* opened)
{
    return WalkAndOpen(&Shared, path, view, access, share, options, opened);
}

Status WalkToParent(const wchar_t* path, PathView view, WalkedPlace* place)
{
    WalkedPath walked;
    Status status = TakePath(&Shared, path, view, &walked);
    if (status)
        return status;
    if (walked.length <= walked.root)
        return FailForPath(ERROR_BAD_PATHNAME, "OpenByWalk", path);
    PVOID old = nullptr;
    bool stopped = StopRedirection(&old);
    status = WalkDown(&Shared, walked.root, walked.parent, path);
    ResumeRedirection(stopped, old);
    if (status)
        return status;
    HeldFolder& held = Shared.folders[Shared.count - 1];
    if (held.listable && (status = FreshForSearch(&held)))
        return status;
    size_t start = NameStart(walked);
    *place = {Shared.folders[Shared.count - 1].handle, Shared.text + start, walked.length - start};
    return Succeeded;
}

Status VisitWalkedFolders(const wchar_t* path, PathView view, WalkVisit visit, void* context)
{
    FolderChain chain = {};
    HANDLE entry;
    Status status = WalkAndOpen(&chain, path, view, 0, ShareAll, 0, &entry);
    for (size_t i = 0; i < chain.count; ++i)
        visit(chain.folders[i].handle, chain.text, chain.folders[i].end, context);
    if (!status) {
        visit(entry, chain.text, wcslen(chain.text), context);
        CloseHandle(entry);
    }
    ReleaseChain(&chain);
    return status;
}

void ReleaseWalkedFolders()
{
    ReleaseChain(&Shared);
}
