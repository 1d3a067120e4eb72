#include "platform/LastError.h"

#include <cerrno>
#include <unordered_map>

namespace lumexa::platform {

namespace {
thread_local std::uint32_t t_lastError = ERROR_SUCCESS;
}

std::uint32_t GetLastError()
{
    return t_lastError;
}

void SetLastError(std::uint32_t code)
{
    t_lastError = code;
}

std::uint32_t Win32ErrorFromErrno(int error, bool isPath)
{
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
    case ENOTDIR:
        return isPath ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ERROR_DISK_FULL;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY:
        return ERROR_BUSY;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EAGAIN:
        return ERROR_LOCK_VIOLATION;
    case EIO:
        return ERROR_WRITE_FAULT;
    case ELOOP:
        return ERROR_CANT_RESOLVE_FILENAME;
    case ENOTSUP:
        return ERROR_NOT_SUPPORTED;
    default:
        return ERROR_INVALID_FUNCTION;
    }
}

bool FailErrno(bool isPath)
{
    SetLastError(Win32ErrorFromErrno(errno, isPath));
    return false;
}

bool Fail(std::uint32_t code)
{
    SetLastError(code);
    return false;
}

std::string SystemMessage(std::uint32_t code)
{
    // English texts of Windows' system message table for the codes the machine can produce.
    static const std::unordered_map<std::uint32_t, const char*> texts{
        {ERROR_SUCCESS, "The operation completed successfully."},
        {ERROR_INVALID_FUNCTION, "Incorrect function."},
        {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
        {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
        {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
        {ERROR_ACCESS_DENIED, "Access is denied."},
        {ERROR_INVALID_HANDLE, "The handle is invalid."},
        {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command."},
        {ERROR_INVALID_DATA, "The data is invalid."},
        {ERROR_INVALID_DRIVE, "The system cannot find the drive specified."},
        {ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive."},
        {ERROR_NO_MORE_FILES, "There are no more files."},
        {ERROR_WRITE_PROTECT, "The media is write protected."},
        {ERROR_NOT_READY, "The device is not ready."},
        {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
        {ERROR_READ_FAULT, "The system cannot read from the specified device."},
        {ERROR_SHARING_VIOLATION, "The process cannot access the file because it is being used by another process."},
        {ERROR_LOCK_VIOLATION,
         "The process cannot access the file because another process has locked a portion of the file."},
        {ERROR_HANDLE_EOF, "Reached the end of the file."},
        {ERROR_NOT_SUPPORTED, "The request is not supported."},
        {ERROR_FILE_EXISTS, "The file exists."},
        {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
        {ERROR_BROKEN_PIPE, "The pipe has been ended."},
        {ERROR_DISK_FULL, "There is not enough space on the disk."},
        {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
        {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
        {ERROR_NEGATIVE_SEEK, "An attempt was made to move the file pointer before the beginning of the file."},
        {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
        {ERROR_BUSY, "The requested resource is in use."},
        {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
        {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
        {ERROR_MORE_DATA, "More data is available."},
        {ERROR_NO_MORE_ITEMS, "No more data is available."},
        {ERROR_DIRECTORY, "The directory name is invalid."},
        {ERROR_BADDB, "The configuration registry database is corrupt."},
        {ERROR_BADKEY, "The configuration registry key is invalid."},
        {ERROR_CANTOPEN, "The configuration registry key could not be opened."},
        {ERROR_CANTREAD, "The configuration registry key could not be read."},
        {ERROR_CANTWRITE, "The configuration registry key could not be written."},
        {ERROR_KEY_DELETED, "Illegal operation attempted on a registry key that has been marked for deletion."},
        {ERROR_PRIVILEGE_NOT_HELD, "A required privilege is not held by the client."},
        {ERROR_CANT_RESOLVE_FILENAME, "The name of the file cannot be resolved by the system."},
    };
    const auto found = texts.find(code);
    return found == texts.end() ? std::string() : std::string(found->second);
}

} // namespace lumexa::platform
