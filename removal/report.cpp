#include "removal/report.h"

#include <windows.h>

#include <cwchar>

#include "removal/ascii_case.h"
#include "removal/outcome.h"
#include "removal/path_text.h"
#include "sysops/checked.h"
#include "sysops/file_helpers.h"
#include "sysops/handle_ops.h"
#include "sysops/record_text.h"

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

static bool SameNameIgnoringCase(const wchar_t* a, const wchar_t* b)
{
    for (; *a && *b; ++a, ++b)
        if ((*a < 128 ? FoldAsciiLower(static_cast<char>(*a)) : *a) !=
            (*b < 128 ? FoldAsciiLower(static_cast<char>(*b)) : *b))
            return false;
    return *a == *b;
}

// Whether the system reached the file by the path asked for. A new file was made at its name,
// so only a link at that name could lead elsewhere and the name alone tells; an existing file
// that /LOG= names must be reached by the whole path, in its long form.
static bool ReachedAsAsked(const wchar_t* reached, const wchar_t* path, bool created)
{
    if (created)
        return SameNameIgnoringCase(WideBaseName(reached), WideBaseName(path));
    wchar_t full[MAX_PATH], longForm[MAX_PATH];
    DWORD length = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return false;
    length = GetLongPathNameW(full, longForm, MAX_PATH);
    return length != 0 && length < MAX_PATH && SameNameIgnoringCase(reached, longForm);
}

// A plain file with one name, reached by the name asked for: not a link of any kind, not a
// second name of another file. (Some systems open a link's target even when asked for the link
// itself; the name the system reached then tells.)
static Status CheckPlainFile(HANDLE file, const wchar_t* path, bool created)
{
    BY_HANDLE_FILE_INFORMATION information;
    Status status = CheckedHandleInformation(file, &information);
    if (status)
        return status;
    wchar_t reached[MAX_PATH];
    status = CheckedFinalPath(file, reached, MAX_PATH);
    if (status)
        return status;
    const DWORD notPlain = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if ((information.dwFileAttributes & notPlain) || information.nNumberOfLinks != 1 ||
        !ReachedAsAsked(reached, path, created))
        return FailWithCode(ERROR_CANT_ACCESS_FILE, "CreateFile", "%ls", path);
    return Succeeded;
}

// Opens `path` for the report: new, or for /LOG= also an existing file, emptied once checked.
static Status OpenReport(const char* path, DWORD disposition, HANDLE* file)
{
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH))
        return FailWithLastError("CreateFile", "%s", path);
    Status status = CheckedCreateFile(wide, GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES, 0,
                                      nullptr, disposition, FILE_FLAG_OPEN_REPARSE_POINT, nullptr,
                                      file);
    if (status)
        return status;
    status = CheckPlainFile(*file, wide, disposition == CREATE_NEW);
    if (!status && !SetEndOfFile(*file))
        status = FailWithLastError("SetEndOfFile", "%s", path);
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

// The first free report name in the temporary directory, created new there.
static Status CreateFreshReport(char* written, size_t size, HANDLE* file)
{
    char directory[PathBufferSize];
    DWORD length = GetTempPathA(sizeof directory, directory);
    if (length == 0 || length >= sizeof directory)
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "GetTempPath", nullptr);
    Status status = Succeeded;
    for (int number = 1; number <= ReportNameAttempts; ++number) {
        char name[48];
        if (number == 1)
            FormatText(name, sizeof name, "%s.txt", ReportStem);
        else
            FormatText(name, sizeof name, "%s (%d).txt", ReportStem, number);
        if (!JoinPath(written, size, directory, name))
            return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "CreateFile", "%s", directory);
        status = OpenReport(written, CREATE_NEW, file);
        if (!status || (status->code != ERROR_FILE_EXISTS && status->code != ERROR_ALREADY_EXISTS))
            return status;
    }
    return status;
}

// Where the administrator asked: an existing file there is emptied, once it is seen to be plain.
static Status OpenAskedReport(const char* path, char* written, size_t size, HANDLE* file)
{
    if (!CopyBounded(written, size, path))
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "CreateFile", "%s", path);
    return OpenReport(path, OPEN_ALWAYS, file);
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
