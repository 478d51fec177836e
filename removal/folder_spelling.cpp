#include "removal/folder_spelling.h"

#include <cstring>

#include "removal/ascii_case.h"
#include "removal/path_text.h"

bool TrimFolderPath(char* path)
{
    size_t length = strlen(path);
    while (length > 0 && path[length - 1] == '\\')
        path[--length] = '\0';
    // Checked once trimmed, as "C:\\" is still the drive's root.
    return length > 0 && !IsRootPath(path);
}

bool SameFolderSpelling(const char* a, const char* b)
{
    return EqualIgnoringCase(a, b);
}
