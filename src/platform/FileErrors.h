#pragma once

#include <cstdint>

#include "platform/Error.h"

// How the program reports a failed file step: the one table from the system's
// error codes to the program's numbers (FileSystem, BinaryFiles, temporary names)
// and to the C library's errno values (the components' std::system_error). The
// Win32 services and the test fakes both take their numbers from here.
namespace vyn::file_errors {

// The Windows error codes the file steps meet, by their Windows names.
constexpr std::uint32_t kFileNotFound = 2;       // ERROR_FILE_NOT_FOUND
constexpr std::uint32_t kPathNotFound = 3;       // ERROR_PATH_NOT_FOUND
constexpr std::uint32_t kAccessDenied = 5;       // ERROR_ACCESS_DENIED
constexpr std::uint32_t kNotSameDevice = 17;     // ERROR_NOT_SAME_DEVICE
constexpr std::uint32_t kWriteProtect = 19;      // ERROR_WRITE_PROTECT
constexpr std::uint32_t kSharingViolation = 32;  // ERROR_SHARING_VIOLATION
constexpr std::uint32_t kLockViolation = 33;     // ERROR_LOCK_VIOLATION
constexpr std::uint32_t kHandleDiskFull = 39;    // ERROR_HANDLE_DISK_FULL
constexpr std::uint32_t kBadNetPath = 53;        // ERROR_BAD_NETPATH
constexpr std::uint32_t kFileExists = 80;        // ERROR_FILE_EXISTS
constexpr std::uint32_t kDiskFull = 112;         // ERROR_DISK_FULL
constexpr std::uint32_t kBadPathName = 161;      // ERROR_BAD_PATHNAME
constexpr std::uint32_t kAlreadyExists = 183;    // ERROR_ALREADY_EXISTS
constexpr std::uint32_t kFileNameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
constexpr std::uint32_t kDirectory = 267;        // ERROR_DIRECTORY: a name asked for in no folder
constexpr std::uint32_t kUnableToRemoveReplaced = 1175;    // ERROR_UNABLE_TO_REMOVE_REPLACED
constexpr std::uint32_t kUnableToMoveReplacement = 1176;   // ERROR_UNABLE_TO_MOVE_REPLACEMENT
constexpr std::uint32_t kUnableToMoveReplacement2 = 1177;  // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2

// Whether the file is held by another open for a moment: a sharing or lock
// violation, or ReplaceFileW's own words for one (it could not move the replaced
// or the replacement file aside: a scanner reading the fresh replacement).
bool IsHeld(std::uint32_t code);

struct FileFailure {
  std::int32_t number;  // errors::k...
  int errnoValue;       // ENOENT, EACCES, ...
};

// The one mapping; a code it does not list is 75 "Path/File access error" and EIO.
FileFailure ForSystemError(std::uint32_t code);

// Error with the number and usual description of a system error code.
Error FileError(std::uint32_t code);

// The failures of an open binary file that are the program's own, not the system's.
constexpr std::int32_t kPutOnClosedFile = errors::kBadFileNameOrNumber;  // 52
constexpr std::int32_t kPutBeforeFirstByte = errors::kBadRecordNumber;   // 63
constexpr std::int32_t kNothingWritten = errors::kDiskFull;              // 61

}  // namespace vyn::file_errors
