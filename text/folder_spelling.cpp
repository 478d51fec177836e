#include "text/folder_spelling.h"

#include <cstring>

#include "text/ascii_case.h"
#include "text/path_text.h"

bool TrimFolderPath(char* path)
{
    DropTrailingBackslashes(path);
    // Checked once trimmed, as "C:\\" is still the drive's root.
    return path[0] && !IsRootPath(path);
}

bool SameFolderSpelling(const char* a, const char* b)
{
    return EqualIgnoringCase(a, b);
}
