// The deferred list when memory runs out: the path still counts as deferred, the list stays as it
// was, and nothing is written through the failed allocation. Built natively without sanitizers,
// since it stands in for the C runtime's realloc to refuse memory on demand.
#include <cstdio>
#include <cstring>
#include <string>

#include "removal/deferred_list.h"

static bool RefuseMemory;

extern "C" void* __libc_realloc(void* block, size_t size);

extern "C" void* realloc(void* block, size_t size)
{
    return RefuseMemory ? nullptr : __libc_realloc(block, size);
}

static int Failures;

static void Expect(bool good, const char* what)
{
    printf("%s %s\n", good ? "ok:" : "FAIL:", what);
    Failures += !good;
}

static std::string List()
{
    return DeferredList ? DeferredList : "";
}

static int DeferWithoutMemory(const char* path)
{
    RefuseMemory = true;
    int deferred = DeferIfOwnPath(path);
    RefuseMemory = false;
    return deferred;
}

int main()
{
    std::string own = "C:\\" + std::string(200, 'v') + "\\uninst.exe";
    strcpy(OwnPath, own.c_str());

    Expect(DeferWithoutMemory("C:\\") == 1, "a first path without memory still counts as deferred");
    Expect(DeferredList == nullptr, "and the list stays empty");

    Expect(DeferIfOwnPath("C:\\") == 1 && List() == "\"C:\\\\\"", "with memory the path is listed");
    std::string before = List();
    std::string longPath = own.substr(0, 150);
    Expect(DeferWithoutMemory(longPath.c_str()) == 1, "a path the list cannot grow for is deferred");
    Expect(List() == before, "and the list is as it was");

    Expect(DeferIfOwnPath(longPath.c_str()) == 1 && List() == before + " \"" + longPath + "\"",
           "once memory is there again, the next path is appended whole");
    ClearDeferredList();
    printf("%d passed, %d failed\n", 6 - Failures, Failures);
    return Failures ? 1 : 0;
}
