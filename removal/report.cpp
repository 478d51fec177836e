#include "removal/report.h"

#include <windows.h>

#include "removal/outcome.h"
#include "removal/path_text.h"
#include "sysops/checked.h"
#include "sysops/file_helpers.h"

static const char ReportName[] = "Vantrel removal report.txt";

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

bool WriteRemovalReport(const char* path)
{
    HANDLE file;
    if (CheckedCreateFile(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr, &file))
        return false;
    Status status = WriteWholeText(file, OutcomeLines());
    if (!status)
        status = WriteTotals(file);
    if (!CloseKeepingFirst(file, status))
        return true;
    // Half a report would tell the user less than none: it would pass for the whole list.
    CheckedDeleteFile(path);
    return false;
}

bool DefaultReportPath(char* out, size_t size)
{
    char directory[PathBufferSize];
    DWORD length = GetTempPathA(sizeof directory, directory);
    if (length != 0 && length < sizeof directory && CopyBounded(out, size, directory) &&
        AppendComponent(out, size, ReportName))
        return true;
    if (size > 0)
        out[0] = '\0';
    return false;
}
