#include "sysops/handle_ops.h"

#include <aclapi.h>
#include <sddl.h>

#include <winternl.h>

#include <cwchar>

#include "sysops/checked.h"
#include "sysops/file_helpers.h"

// Not among the declarations MinGW ships with the native calls.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE directory, HANDLE event,
                                               PIO_APC_ROUTINE routine, PVOID context,
                                               PIO_STATUS_BLOCK io, PVOID buffer, ULONG size,
                                               FILE_INFORMATION_CLASS kind, BOOLEAN single,
                                               PUNICODE_STRING mask, BOOLEAN restart);
// What the listing answers when nothing matches: no entry of that name, or none left.
constexpr NTSTATUS NoSuchFile = static_cast<NTSTATUS>(0xC000000F);
constexpr NTSTATUS NoMoreFiles = static_cast<NTSTATUS>(0x80000006);

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

static Status FailForStatus(NTSTATUS status, const char* label, const wchar_t* path)
{
    return FailForPath(RtlNtStatusToDosError(status), label, path);
}

// A name the listing gave, as the native calls count it: in bytes, at most 65,534 of them.
static bool CountedName(const wchar_t* name, size_t length, UNICODE_STRING* counted)
{
    if (length == 0 || length > 32767)
        return false;
    counted->Length = counted->MaximumLength = static_cast<USHORT>(length * sizeof(wchar_t));
    counted->Buffer = const_cast<wchar_t*>(name);
    return true;
}

static Status OpenCounted(HANDLE directory, UNICODE_STRING* name, DWORD access, DWORD share,
                          DWORD options, const wchar_t* path, HANDLE* opened)
{
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, name, OBJ_CASE_INSENSITIVE, directory, nullptr);
    IO_STATUS_BLOCK io;
    NTSTATUS status = NtOpenFile(opened, access, &object, &io, share,
                                 options | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT);
    if (NT_SUCCESS(status))
        return Succeeded;
    *opened = nullptr;
    return FailForStatus(status, "NtOpenFile", path);
}

Status CheckedOpenBelow(HANDLE directory, const wchar_t* name, size_t length, DWORD access,
                        DWORD share, DWORD options, const wchar_t* path, HANDLE* opened)
{
    UNICODE_STRING counted;
    if (!CountedName(name, length, &counted))
        return FailForPath(ERROR_INVALID_NAME, "NtOpenFile", path);
    return OpenCounted(directory, &counted, access, share, options, path, opened);
}

Status CheckedCreateBelow(HANDLE directory, const wchar_t* name, size_t length, DWORD access,
                          DWORD share, DWORD disposition, DWORD options, const wchar_t* path,
                          HANDLE* opened, bool* created)
{
    *opened = nullptr;
    UNICODE_STRING counted;
    if (!CountedName(name, length, &counted))
        return FailForPath(ERROR_INVALID_NAME, "NtCreateFile", path);
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &counted, OBJ_CASE_INSENSITIVE, directory, nullptr);
    IO_STATUS_BLOCK io;
    NTSTATUS status = NtCreateFile(opened, access, &object, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                   share, disposition, options | FILE_OPEN_REPARSE_POINT, nullptr,
                                   0);
    if (!NT_SUCCESS(status)) {
        *opened = nullptr;
        return FailForStatus(status, "NtCreateFile", path);
    }
    *created = io.Information == FILE_CREATED;
    return Succeeded;
}

Status CheckedReopen(HANDLE file, DWORD access, DWORD share, DWORD options, HANDLE* reopened)
{
    UNICODE_STRING none = {};
    return OpenCounted(file, &none, access, share, options, L"", reopened);
}

Status CheckedOpenPath(const wchar_t* path, DWORD access, DWORD share, DWORD options,
                       HANDLE* opened)
{
    UNICODE_STRING native = {};
    // Only a path that names no place at all (an empty one) has no native form: as the path
    // calls say of it, there is no such path. The call answers in one byte, though the header
    // declares a whole BOOL: the rest of the register holds whatever it held before.
    if (!static_cast<BOOLEAN>(RtlDosPathNameToNtPathName_U(path, &native, nullptr, nullptr)))
        return FailForPath(ERROR_PATH_NOT_FOUND, "NtOpenFile", path);
    Status status = OpenCounted(nullptr, &native, access, share, options, path, opened);
    RtlFreeUnicodeString(&native);
    return status;
}

Status CheckedFileIndex(HANDLE file, uint64_t* index)
{
    FILE_INTERNAL_INFORMATION internal;
    IO_STATUS_BLOCK io;
    NTSTATUS status = NtQueryInformationFile(file, &io, &internal, sizeof internal,
                                             FileInternalInformation);
    if (!NT_SUCCESS(status))
        return FailForStatus(status, "NtQueryInformationFile", L"");
    *index = static_cast<uint64_t>(internal.IndexNumber.QuadPart);
    return Succeeded;
}

Status CheckedFindBelow(HANDLE directory, const wchar_t* name, size_t length, void* buffer,
                        DWORD size, const wchar_t* path, int* done)
{
    *done = 1;
    UNICODE_STRING mask;
    if (!CountedName(name, length, &mask) || wcscspn(name, L"*?<>\"") < length)
        return FailForPath(ERROR_INVALID_NAME, "NtQueryDirectoryFile", path);
    IO_STATUS_BLOCK io;
    NTSTATUS status = NtQueryDirectoryFile(directory, nullptr, nullptr, nullptr, &io, buffer,
                                           size, FileIdBothDirectoryInformation, TRUE, &mask,
                                           TRUE);
    if (status == NoSuchFile || status == NoMoreFiles)
        return Succeeded;
    if (!NT_SUCCESS(status))
        return FailForStatus(status, "NtQueryDirectoryFile", path);
    *done = 0;
    return Succeeded;
}

Status CheckedSetAttributesByHandle(HANDLE file, DWORD attributes, const wchar_t* path)
{
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = attributes;
    if (SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic))
        return Succeeded;
    return FailForPath(GetLastError(), "SetFileInformationByHandle", path);
}

Status ClearReadOnly(HANDLE file, const wchar_t* path, uint32_t attributes)
{
    // The system takes only these; the others (compressed, sparse, reparse point ...)
    // describe the file and are not ours to pass back.
    const DWORD settable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD kept = attributes & settable;
    return CheckedSetAttributesByHandle(file, kept ? kept : FILE_ATTRIBUTE_NORMAL, path);
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

// The owner that this process gives what it makes, as its token names it: Administrators for an
// elevated run, never the user's own account.
static bool IsOwnDefaultOwner(PSID owner)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    union {
        TOKEN_OWNER owner;
        char bytes[sizeof(TOKEN_OWNER) + SECURITY_MAX_SID_SIZE];
    } given;
    DWORD size;
    bool same = GetTokenInformation(token, TokenOwner, &given, sizeof given, &size) &&
                EqualSid(owner, given.owner.Owner);
    CloseHandle(token);
    return same;
}

bool OwnedByTrustedAccount(HANDLE object, SE_OBJECT_TYPE type)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, type, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                        nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    bool trusted = owner && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                             IsWellKnownSid(owner, WinLocalSystemSid) || IsOwnDefaultOwner(owner));
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
