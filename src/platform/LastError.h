#pragma once

#include <cstdint>
#include <string>

// The thread-local Win32 last-error code. Every failing platform call sets it; the error
// log and several messages show its system text.
namespace lumexa::platform {

inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::uint32_t ERROR_INVALID_DATA = 13;
inline constexpr std::uint32_t ERROR_INVALID_DRIVE = 15;
inline constexpr std::uint32_t ERROR_NOT_SAME_DEVICE = 17;
inline constexpr std::uint32_t ERROR_NO_MORE_FILES = 18;
inline constexpr std::uint32_t ERROR_WRITE_PROTECT = 19;
inline constexpr std::uint32_t ERROR_NOT_READY = 21;
inline constexpr std::uint32_t ERROR_WRITE_FAULT = 29;
inline constexpr std::uint32_t ERROR_READ_FAULT = 30;
inline constexpr std::uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr std::uint32_t ERROR_LOCK_VIOLATION = 33;
inline constexpr std::uint32_t ERROR_HANDLE_EOF = 38;
inline constexpr std::uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr std::uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t ERROR_BROKEN_PIPE = 109;
inline constexpr std::uint32_t ERROR_DISK_FULL = 112;
inline constexpr std::uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr std::uint32_t ERROR_INVALID_NAME = 123;
inline constexpr std::uint32_t ERROR_NEGATIVE_SEEK = 131;
inline constexpr std::uint32_t ERROR_DIR_NOT_EMPTY = 145;
inline constexpr std::uint32_t ERROR_BUSY = 170;
inline constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr std::uint32_t ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr std::uint32_t ERROR_MORE_DATA = 234;
inline constexpr std::uint32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr std::uint32_t ERROR_DIRECTORY = 267;
inline constexpr std::uint32_t ERROR_CANT_RESOLVE_FILENAME = 1921;
inline constexpr std::uint32_t ERROR_BADDB = 1009;
inline constexpr std::uint32_t ERROR_BADKEY = 1010;
inline constexpr std::uint32_t ERROR_CANTOPEN = 1011;
inline constexpr std::uint32_t ERROR_CANTREAD = 1012;
inline constexpr std::uint32_t ERROR_CANTWRITE = 1013;
inline constexpr std::uint32_t ERROR_KEY_DELETED = 1018;
inline constexpr std::uint32_t ERROR_PRIVILEGE_NOT_HELD = 1314;

std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

// Maps an errno value to the Win32 code Windows reports for the same failure.
// `isPath` picks ERROR_PATH_NOT_FOUND over ERROR_FILE_NOT_FOUND for ENOENT/ENOTDIR.
std::uint32_t Win32ErrorFromErrno(int error, bool isPath = false);

// Sets the last error from errno and returns false, for `return FailErrno();` in layer code.
bool FailErrno(bool isPath = false);
// Sets the last error and returns false.
bool Fail(std::uint32_t code);

// The English system text of a code (FormatMessage with FORMAT_MESSAGE_FROM_SYSTEM),
// without the trailing CR LF; empty for a code the system does not know.
std::string SystemMessage(std::uint32_t code);

} // namespace lumexa::platform
