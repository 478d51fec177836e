// Planted where the uninstaller puts its copy, under the copy's name. Started with "--hold", it
// keeps its own file open, shared for reading only, for a minute, so that nobody can replace it
// (read-only alone does not stop Wine running as root). Started any other way, as the
// uninstaller would start its copy, it leaves a file of its own name with ".ran" added: proof
// that it was run.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv)
{
    char path[MAX_PATH + 4];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    if (argc > 1 && strcmp(argv[1], "--hold") == 0) {
        HANDLE own = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
        Sleep(60000);
        CloseHandle(own);
        return 0;
    }
    lstrcatA(path, ".ran");
    CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return 0;
}
