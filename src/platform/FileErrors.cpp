#include "platform/FileErrors.h"

#include <cerrno>

namespace vyn::file_errors {
namespace {

struct Row {
  std::uint32_t code;
  FileFailure failure;
};

// A sharing violation is a permission failure to the user (70), and a lock
// violation only a refusal to the C library; both are retried before they get here.
constexpr Row kRows[] = {
    {kFileNotFound, {errors::kFileNotFound, ENOENT}},
    {kPathNotFound, {errors::kPathNotFound, ENOENT}},
    {kBadNetPath, {errors::kPathNotFound, EIO}},
    {kBadPathName, {errors::kPathNotFound, EIO}},
    {kDirectory, {errors::kPathNotFound, EIO}},
    {kAccessDenied, {errors::kPermissionDenied, EACCES}},
    {kWriteProtect, {errors::kPermissionDenied, EACCES}},
    {kSharingViolation, {errors::kPermissionDenied, EACCES}},
    {kLockViolation, {errors::kPathFileAccess, EACCES}},
    {kFileExists, {errors::kFileAlreadyExists, EEXIST}},
    {kAlreadyExists, {errors::kFileAlreadyExists, EEXIST}},
    {kDiskFull, {errors::kDiskFull, ENOSPC}},
    {kHandleDiskFull, {errors::kDiskFull, ENOSPC}},
    {kNotSameDevice, {errors::kPathFileAccess, EXDEV}},
    {kFileNameTooLong, {errors::kPathFileAccess, ENAMETOOLONG}},
};

}  // namespace

bool IsHeld(std::uint32_t code) {
  return code == kSharingViolation || code == kLockViolation || code == kUnableToRemoveReplaced ||
         code == kUnableToMoveReplacement || code == kUnableToMoveReplacement2;
}

FileFailure ForSystemError(std::uint32_t code) {
  for (const Row& row : kRows) {
    if (row.code == code) return row.failure;
  }
  return {errors::kPathFileAccess, EIO};
}

Error FileError(std::uint32_t code) {
  return MakeError(ForSystemError(code).number);
}

}  // namespace vyn::file_errors
