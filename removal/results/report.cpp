#include "removal/results/report.h"

#include <windows.h>

#include <cwchar>

#include "removal/results/outcome.h"
#include "removal/results/outcome_lines.h"
#include "sysops/checked.h"
#include "sysops/file_helpers.h"
#include "sysops/handle_ops.h"
#include "text/path_text.h"
#include "text/record_text.h"

// The user's temporary directory is the user's own: whatever the program, elevated, writes
// there by a name, a link planted at that name would redirect. So the report is only ever a new
// file, and a file is used only when its handle shows what was asked for.
static const char ReportStem[] = "Vantrel removal report";
constexpr int ReportNameAttempts = 100;

static Status WriteTotals(HANDLE file)
{
    char totals[200];
    FormatText(totals, sizeof totals,
               "totals\tremoved %u\talready absent %u\tat restart %u\tkept %u\tnot listed %u"
               "\tyour files %u\r\n",
               Outcome.removed, Outcome.absent, Outcome.atRestart, Outcome.kept,
               Outcome.linesLeftOut, Outcome.yours);
    return WriteWholeText(file, totals);
}

// The text of the report, as it goes into the file.
static Status WriteReportText(HANDLE file)
{
    // The lines are UTF-8, and the mark tells every editor so.
    Status status = WriteWholeText(file, "\xEF\xBB\xBF");
    if (!status)
        status = WriteWholeText(file, OutcomeLines());
    return status ? status : WriteTotals(file);
}

static const wchar_t* WideBaseName(const wchar_t* path)
{
    const wchar_t* slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

// The first `length` characters of each, or with -1 the whole of both.
static bool SameIgnoringCase(const wchar_t* a, const wchar_t* b, int length)
{
    return CompareStringOrdinal(a, length, b, length, TRUE) == CSTR_EQUAL;
}

// A plain file with one name, reached by the name asked for: not a link of any kind, not a
// second name of another file. (Some systems open a link's target even when asked for the link
// itself; the name the system reached then tells.) A file that was there before is used only
// when an administrator or the system made it (as an elevated run does): anyone else's, the same
// user's made without elevation included, could be changed by its maker afterwards. Given `folder`, the final path of the folder held
// for it, the file must lie directly in that folder.
static Status CheckPlainFile(HANDLE file, const wchar_t* path, bool created, const wchar_t* folder)
{
    BY_HANDLE_FILE_INFORMATION information;
    Status status = CheckedHandleInformation(file, &information);
    if (status)
        return status;
    wchar_t reached[MAX_PATH];
    status = CheckedFinalPath(file, reached, MAX_PATH);
    if (status)
        return status;
    const wchar_t* name = WideBaseName(reached);
    size_t folderLength = folder ? wcslen(folder) : 0;
    const DWORD notPlain = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if ((information.dwFileAttributes & notPlain) || information.nNumberOfLinks != 1 ||
        !SameIgnoringCase(name, WideBaseName(path), -1) ||
        (!created && !OwnedByTrustedAccount(file, SE_FILE_OBJECT)) ||
        (folder && (static_cast<size_t>(name - reached) != folderLength + 1 ||
                    !SameIgnoringCase(reached, folder, static_cast<int>(folderLength)))))
        return FailWithCode(ERROR_CANT_ACCESS_FILE, "CreateFile", "%ls", path);
    return Succeeded;
}

// Opens `path` for the report: new, or for /LOG= also an existing file, emptied once checked. A
// file made here and then refused is deleted through its handle.
static Status OpenReport(const wchar_t* path, DWORD disposition, const wchar_t* folder,
                         HANDLE* file)
{
    Status status = CheckedCreateFile(
        path, GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | READ_CONTROL, 0, nullptr,
        disposition, FILE_FLAG_OPEN_REPARSE_POINT, nullptr, file);
    if (status)
        return status;
    bool created = disposition == CREATE_NEW || GetLastError() != ERROR_ALREADY_EXISTS;
    status = CheckPlainFile(*file, path, created, folder);
    if (!status && !SetEndOfFile(*file))
        status = FailWithLastError("SetEndOfFile", "%ls", path);
    if (status && created)
        CheckedMarkForDeletion(*file, path);
    if (status)
        CloseHandle(*file);
    return status;
}

static bool WriteThrough(HANDLE file)
{
    Status status = WriteReportText(file);
    // Half a report would tell the user less than none: it would pass for the whole list.
    if (status)
        CheckedMarkForDeletion(file, nullptr);
    return !CloseKeepingFirst(file, status);
}

// The temporary directory, held open without delete sharing while the report is made in it, and
// its final path. Under an elevation it is the user's own choice (TEMP, or a link in its place):
// used only when the user could have made a file there with their own rights.
static Status HoldTemporaryFolder(const char* directory, HANDLE* folder, wchar_t* reached,
                                  DWORD size)
{
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, directory, -1, wide, MAX_PATH))
        return FailWithLastError("GetTempPath", "%s", directory);
    Status status = CheckedCreateFile(wide, FILE_LIST_DIRECTORY | READ_CONTROL | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr, folder);
    if (status)
        return status;
    status = CheckedFinalPath(*folder, reached, size);
    if (!status && !UserMayAddFile(*folder))
        status = FailWithCode(ERROR_ACCESS_DENIED, "CreateFile", "%s", directory);
    if (status)
        CloseHandle(*folder);
    return status;
}

// The first free report name in the temporary directory, created new there.
static Status CreateFreshReport(char* written, size_t size, HANDLE* file)
{
    char directory[PathBufferSize];
    DWORD length = GetTempPathA(sizeof directory, directory);
    if (length == 0 || length >= sizeof directory)
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "GetTempPath", nullptr);
    HANDLE folder;
    wchar_t reached[MAX_PATH];
    Status status = HoldTemporaryFolder(directory, &folder, reached, MAX_PATH);
    if (status)
        return status;
    for (int number = 1; number <= ReportNameAttempts; ++number) {
        char name[48];
        if (number == 1)
            FormatText(name, sizeof name, "%s.txt", ReportStem);
        else
            FormatText(name, sizeof name, "%s (%d).txt", ReportStem, number);
        wchar_t wide[MAX_PATH];
        if (!JoinPath(written, size, directory, name) ||
            !MultiByteToWideChar(CP_ACP, 0, written, -1, wide, MAX_PATH)) {
            status = FailWithCode(ERROR_FILENAME_EXCED_RANGE, "CreateFile", "%s", directory);
            break;
        }
        status = OpenReport(wide, CREATE_NEW, reached, file);
        if (!status || (status->code != ERROR_FILE_EXISTS && status->code != ERROR_ALREADY_EXISTS))
            break;
    }
    CloseHandle(folder);
    return status;
}

// Where a path's root ends, "C:\", "\\server\share\" or either in the "\\?\" form, its last
// backslash included; 0 for any other form.
static size_t RootLength(const wchar_t* path)
{
    size_t at = 0, components = 2;
    if (wcsncmp(path, L"\\\\?\\UNC\\", 8) == 0)
        at = 8;
    else if (wcsncmp(path, L"\\\\?\\", 4) == 0)
        at = 4, components = 1;
    else if (wcsncmp(path, L"\\\\", 2) == 0)
        at = 2;
    else if (path[0] && path[1] == L':' && path[2] == L'\\')
        return 3;
    else
        return 0;
    for (; components > 0; --components) {
        const wchar_t* end = wcschr(path + at, L'\\');
        if (!end || end == path + at)
            return 0;
        at = static_cast<size_t>(end - path) + 1;
    }
    return at;
}

// Where the administrator asked, by any path that names the place without a link: a drive, a
// share, a mapped or substituted drive, the system folder as the system shows it to a 32-bit
// program. Every folder below the root is held, and seen to be no link, while the file is
// opened: none can be renamed or replaced by a link meanwhile. An existing file is emptied once
// it is seen to be plain and made by a trusted account.
static Status OpenAskedReport(const char* path, char* written, size_t size, HANDLE* file)
{
    wchar_t wide[MAX_PATH], full[MAX_PATH];
    if (!CopyBounded(written, size, path) || !MultiByteToWideChar(CP_ACP, 0, path, -1, wide,
                                                                  MAX_PATH))
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "CreateFile", "%s", path);
    DWORD length = GetFullPathNameW(wide, MAX_PATH, full, nullptr);
    size_t at = length && length < MAX_PATH ? RootLength(full) : 0;
    if (at == 0)
        return FailWithCode(ERROR_BAD_PATHNAME, "CreateFile", "%s", path);
    HANDLE folders[MAX_PATH];  // one at most for each backslash
    size_t held = 0;
    Status status = Succeeded;
    for (wchar_t* cut = wcschr(full + at, L'\\'); !status && cut; cut = wcschr(cut + 1, L'\\')) {
        *cut = L'\0';
        status = CheckedHoldFolder(full, &folders[held]);
        *cut = L'\\';
        held += status ? 0 : 1;
    }
    if (!status)
        status = OpenReport(full, OPEN_ALWAYS, nullptr, file);
    while (held > 0)
        CloseHandle(folders[--held]);
    return status;
}

bool WriteRemovalReport(const char* path, char* written, size_t size)
{
    HANDLE file;
    Status status = path ? OpenAskedReport(path, written, size, &file)
                         : CreateFreshReport(written, size, &file);
    if (!status && WriteThrough(file))
        return true;
    if (size > 0)
        written[0] = '\0';
    return false;
}
