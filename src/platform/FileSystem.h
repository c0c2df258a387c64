#pragma once

#include <string>

// <windows.h> defines these names as macros for its A/W functions; they would
// rename the methods below in some translation units and not in others.
#undef DeleteFile
#undef MoveFile
#undef ReplaceFile

namespace vyn {

// The file-system object: existence tests, delete and move by name. Failures are
// thrown as Error (53 file not found, 58 file already exists, 70 permission
// denied, 76 path not found, ...).
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool FileExists(const std::wstring& path) = 0;
  virtual bool FolderExists(const std::wstring& path) = 0;
  // force also deletes a read-only file.
  virtual void DeleteFile(const std::wstring& path, bool force) = 0;
  // Moves a file, also across volumes; fails when the destination exists.
  virtual void MoveFile(const std::wstring& source, const std::wstring& destination) = 0;
  // Puts source in place of destination in one step, also over a read-only
  // destination; both must be on the same volume. Either destination is the new
  // file afterwards or it is unchanged.
  virtual void ReplaceFile(const std::wstring& source, const std::wstring& destination) = 0;
};

}  // namespace vyn
