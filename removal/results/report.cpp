#include "removal/results/report.h"

#include <windows.h>

#include <winternl.h>

#include <cwchar>

#include "removal/results/outcome.h"
#include "removal/results/outcome_lines.h"
#include "removal/safety/path_walk.h"
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
// user's made without elevation included, could be changed by its maker afterwards. The file
// must lie directly in `folder`, the final path of the folder it was made in.
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
    size_t folderLength = wcslen(folder);
    if (folderLength > 0 && folder[folderLength - 1] == L'\\')  // a root's
        --folderLength;
    const DWORD notPlain = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if ((information.dwFileAttributes & notPlain) || information.nNumberOfLinks != 1 ||
        !SameIgnoringCase(name, WideBaseName(path), -1) ||
        (!created && !OwnedByTrustedAccount(file, SE_FILE_OBJECT)) ||
        static_cast<size_t>(name - reached) != folderLength + 1 ||
        !SameIgnoringCase(reached, folder, static_cast<int>(folderLength)))
        return FailWithCode(ERROR_CANT_ACCESS_FILE, "CreateFile", "%ls", path);
    return Succeeded;
}

// Opens the report `name` (`length` characters) in the folder held as `folder`, `path` naming it
// whole: new, or for /LOG= also an existing file (FILE_OPEN_IF), emptied once checked. A file
// made here and then refused is deleted through its handle.
static Status OpenReport(HANDLE folder, const wchar_t* name, size_t length, const wchar_t* path,
                         DWORD disposition, HANDLE* file)
{
    const DWORD access = GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE;
    bool created = false;
    Status status = CheckedCreateBelow(folder, name, length, access, 0, disposition,
                                       FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, path,
                                       file, &created);
    if (status)
        return status;
    wchar_t reached[MAX_PATH];
    status = CheckedFinalPath(folder, reached, MAX_PATH);
    if (!status)
        status = CheckPlainFile(*file, path, created, reached);
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

// The temporary directory, reached as every path is and held while the report is made in it.
// Under an elevation it is the user's own choice: used only when the user could have made a file
// there with their own rights.
static Status OpenTemporaryFolder(const char* directory, HANDLE* folder)
{
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, directory, -1, wide, MAX_PATH))
        return FailWithLastError("GetTempPath", "%s", directory);
    Status status = OpenByWalk(wide, ViewOfThisProgram, READ_CONTROL,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               FILE_DIRECTORY_FILE, folder);
    ReleaseWalkedFolders();
    if (!status && !UserMayAddFile(*folder)) {
        CloseHandle(*folder);
        status = FailWithCode(ERROR_ACCESS_DENIED, "CreateFile", "%s", directory);
    }
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
    Status status = OpenTemporaryFolder(directory, &folder);
    if (status)
        return status;
    for (int number = 1; number <= ReportNameAttempts; ++number) {
        char name[48];
        if (number == 1)
            FormatText(name, sizeof name, "%s.txt", ReportStem);
        else
            FormatText(name, sizeof name, "%s (%d).txt", ReportStem, number);
        wchar_t wide[MAX_PATH], wideName[48];
        if (!JoinPath(written, size, directory, name) ||
            !MultiByteToWideChar(CP_ACP, 0, written, -1, wide, MAX_PATH) ||
            !MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 48)) {
            status = FailWithCode(ERROR_FILENAME_EXCED_RANGE, "CreateFile", "%s", directory);
            break;
        }
        status = OpenReport(folder, wideName, wcslen(wideName), wide, FILE_CREATE, file);
        if (!status || (status->code != ERROR_FILE_EXISTS && status->code != ERROR_ALREADY_EXISTS))
            break;
    }
    CloseHandle(folder);
    return status;
}

// Where the administrator asked, by any path that names the place without a link: a drive, a
// share, a mapped or substituted drive, the system folder as the system shows it to a 32-bit
// program. Its folder is reached by the walk, and the file is judged as it was opened there: a
// plain file with one name, in that very folder. No folder is held against others: a user who
// holds one open, sharing nothing, changes nothing. An existing file is emptied once it is seen
// to be plain and made by a trusted account.
static Status OpenAskedReport(const char* path, char* written, size_t size, HANDLE* file)
{
    wchar_t wide[MAX_PATH];
    if (!CopyBounded(written, size, path) || !MultiByteToWideChar(CP_ACP, 0, path, -1, wide,
                                                                  MAX_PATH))
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "CreateFile", "%s", path);
    WalkedPlace place;
    Status status = WalkToParent(wide, ViewOfThisProgram, &place);
    if (!status)
        status = OpenReport(place.folder, place.name, place.length, wide, FILE_OPEN_IF, file);
    ReleaseWalkedFolders();
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
