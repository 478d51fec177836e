#include "app/one_run.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "sysops/handle_ops.h"

static const char LockName[] = "Global\\Vantrel uninstall run";

// A name in the global namespace can be taken first by any user, without a run behind it, to
// stop every removal. The lock of a real run is owned by the administrators or the system, or by
// the owner an elevated run gives what it makes; a name made by anyone else, the same user's
// programs that run without elevation included, is a plant, and is not a run in progress.
static bool MadeByARun(HANDLE lock)
{
    return OwnedByTrustedAccount(lock, SE_KERNEL_OBJECT);
}

bool TakeRunLock()
{
    // Only administrators and the system may open it: nobody else can hold it to fake a run.
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof attributes;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "D:P(A;;GA;;;BA)(A;;GA;;;SY)", SDDL_REVISION_1, &attributes.lpSecurityDescriptor,
            nullptr))
        attributes.lpSecurityDescriptor = nullptr;
    HANDLE lock = CreateMutexA(&attributes, FALSE, LockName);
    DWORD error = GetLastError();
    LocalFree(attributes.lpSecurityDescriptor);
    // A lock that cannot be had at all (the name taken by another kind of object, or one
    // closed to administrators) is a plant too: the run goes on without it.
    if (!lock)
        return true;
    if (error != ERROR_ALREADY_EXISTS)
        return true;
    bool another = MadeByARun(lock);
    if (!another)
        return true;
    CloseHandle(lock);
    return false;
}
