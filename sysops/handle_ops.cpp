#include "sysops/handle_ops.h"

#include <aclapi.h>
#include <sddl.h>

#include <cwchar>

#include "sysops/checked.h"
#include "sysops/file_helpers.h"

// Protected, so that nothing of the folder above is inherited.
static const wchar_t PrivateDescriptor[] = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

Status CheckedCreatePrivateDirectory(const wchar_t* path)
{
    SECURITY_ATTRIBUTES security = {};
    security.nLength = sizeof security;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            PrivateDescriptor, SDDL_REVISION_1, &security.lpSecurityDescriptor, nullptr))
        return FailWithLastError("CreateDirectory", "%ls", path);
    BOOL made = CreateDirectoryW(path, &security);
    Status status = made ? Succeeded : FailWithLastError("CreateDirectory", "%ls", path);
    LocalFree(security.lpSecurityDescriptor);
    return status;
}

Status CheckedHandleInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information)
{
    if (GetFileInformationByHandle(file, information))
        return Succeeded;
    return FailWithLastError("GetFileInformationByHandle", nullptr);
}

Status CheckedHoldFolder(const wchar_t* path, HANDLE* folder)
{
    // Listing access takes part in the sharing, which access to the attributes alone would not.
    Status status = CheckedCreateFile(path, FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr, folder);
    if (status)
        return status;
    BY_HANDLE_FILE_INFORMATION information;
    EntryInfo listed = {};
    QueryEntryInfo(path, &listed);
    status = CheckedHandleInformation(*folder, &information);
    if (!status && (!(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
                    ((information.dwFileAttributes | listed.attributes) & AttributeReparsePoint)))
        status = FailForPath(ERROR_CANT_ACCESS_FILE, "CreateFile", path);
    if (status)
        CloseHandle(*folder);
    return status;
}

Status CheckedFinalPath(HANDLE file, wchar_t* path, DWORD size)
{
    DWORD length = GetFinalPathNameByHandleW(file, path, size, FILE_NAME_NORMALIZED);
    if (length == 0)
        return FailWithLastError("GetFinalPathNameByHandle", nullptr);
    if (length >= size)
        return FailWithCode(ERROR_FILENAME_EXCED_RANGE, "GetFinalPathNameByHandle", nullptr);
    // A drive path comes as "\\?\C:\...": the prefix goes, for comparison with plain paths.
    if (wcsncmp(path, L"\\\\?\\", 4) == 0 && path[5] == L':')
        wmemmove(path, path + 4, length - 4 + 1);
    return Succeeded;
}

Status CheckedRenameByHandle(HANDLE file, const wchar_t* target)
{
    size_t length = wcslen(target);
    // The structure ends in the first character of the name: room for the rest and a terminator.
    DWORD size = static_cast<DWORD>(sizeof(FILE_RENAME_INFO) + length * sizeof(wchar_t));
    FILE_RENAME_INFO* rename = static_cast<FILE_RENAME_INFO*>(LocalAlloc(LPTR, size));
    if (!rename)
        return FailWithCode(ERROR_NOT_ENOUGH_MEMORY, "SetFileInformationByHandle", "%ls", target);
    rename->FileNameLength = static_cast<DWORD>(length * sizeof(wchar_t));
    wmemcpy(rename->FileName, target, length + 1);
    BOOL renamed = SetFileInformationByHandle(file, FileRenameInfo, rename, size);
    Status status = renamed ? Succeeded
                            : FailWithLastError("SetFileInformationByHandle", "%ls", target);
    LocalFree(rename);
    return status;
}

Status CheckedFolderSecurity(const wchar_t* path, PSID* owner, PACL* access,
                             PSECURITY_DESCRIPTOR* descriptor)
{
    DWORD result = GetNamedSecurityInfoW(path, SE_FILE_OBJECT,
                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         owner, nullptr, access, nullptr, descriptor);
    if (result == ERROR_SUCCESS)
        return Succeeded;
    *descriptor = nullptr;
    return FailWithCode(result, "GetNamedSecurityInfo", "%ls", path);
}

bool OwnedByTrustedAccount(HANDLE object, SE_OBJECT_TYPE type)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, type, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                        nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    bool trusted = IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                   IsWellKnownSid(owner, WinLocalSystemSid);
    HANDLE token;
    if (!trusted && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
        DWORD size;
        if (GetTokenInformation(token, TokenOwner, buffer, sizeof buffer, &size))
            trusted = EqualSid(owner, reinterpret_cast<TOKEN_OWNER*>(buffer)->Owner);
        if (!trusted && GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size))
            trusted = EqualSid(owner, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
        CloseHandle(token);
    }
    LocalFree(descriptor);
    return trusted;
}

// The linked token of an elevated one can only be asked about, not worn: the folder's access
// list is checked against it.
static bool LinkedTokenMayAddFile(HANDLE linked, HANDLE folder)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const SECURITY_INFORMATION parts =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, parts, nullptr, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return false;
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                               FILE_ALL_ACCESS};
    PRIVILEGE_SET privileges;
    DWORD privilegesSize = sizeof privileges, granted = 0;
    BOOL allowed = FALSE;
    if (!AccessCheck(descriptor, linked, FILE_ADD_FILE, &mapping, &privileges, &privilegesSize,
                     &granted, &allowed))
        allowed = FALSE;
    LocalFree(descriptor);
    return allowed;
}

bool UserMayAddFile(HANDLE folder)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size;
    bool allowed = GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size);
    if (allowed && type == TokenElevationTypeFull) {
        allowed = GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size) &&
                  LinkedTokenMayAddFile(linked.LinkedToken, folder);
        if (linked.LinkedToken)
            CloseHandle(linked.LinkedToken);
    }
    CloseHandle(token);
    return allowed;
}
