#include "removal/report.h"
#include <windows.h>
#include <cstring>
#include "removal/outcome.h"
bool WriteRemovalReport(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written;
    const char* lines = OutcomeLines();
    BOOL ok = WriteFile(file, lines, (DWORD)strlen(lines), &written, nullptr);
    return CloseHandle(file) && ok;
}
bool DefaultReportPath(char* out, size_t size)
{
    DWORD length = GetTempPathA((DWORD)size, out);
    if (length == 0 || length + 32 >= size) return false;
    strcat(out, "Vantrel removal report.txt");
    return true;
}
