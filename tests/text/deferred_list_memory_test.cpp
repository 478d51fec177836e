// The deferred list when memory runs out: the path still counts as deferred, the list stays as it
// was, and the next path that memory allows is appended whole. Built natively without
// sanitizers, since it stands in for the C runtime's realloc to refuse memory on demand.
#include <cstdio>
#include <cstring>
#include <string>

#include "text/deferred_list.h"

static bool RefuseMemory;
extern "C" void* __libc_realloc(void* block, size_t size);
extern "C" void* realloc(void* block, size_t size)
{
    return RefuseMemory ? nullptr : __libc_realloc(block, size);
}

static bool DeferredWithoutMemory(const char* path, const std::string& listBefore)
{
    RefuseMemory = true;
    bool deferred = DeferIfOwnPath(path) == 1;
    RefuseMemory = false;
    return deferred && (DeferredList ? DeferredList : "") == listBefore;
}

int main()
{
    const std::string own = "C:\\" + std::string(200, 'v') + "\\uninst.exe";
    strcpy(OwnPath, own.c_str());
    const std::string first = "\"C:\\\\\"", second = own.substr(0, own.rfind('\\'));
    bool good = DeferredWithoutMemory("C:\\", "") && DeferIfOwnPath("C:\\") == 1 &&
                DeferredWithoutMemory(second.c_str(), first) &&
                DeferIfOwnPath(second.c_str()) == 1 &&
                DeferredList == first + " \"" + second + "\"";
    puts(good ? "ok: deferred without memory, the list whole" : "FAIL: the list without memory");
    return good ? 0 : 1;
}
