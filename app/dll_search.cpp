#include "app/dll_search.h"

#include <windows.h>

void RestrictDllSearch()
{
    // Looked up at run time, so that the program still starts where the call does not exist.
    using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (!found)
        return;
    // Through the generic function pointer type, which converts to any other without a warning.
    auto call = reinterpret_cast<SetDefaultDllDirectoriesCall>(reinterpret_cast<void (*)()>(found));
    call(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
