#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/BinaryFiles.h"
#include "platform/FileSystem.h"
#include "platform/TempFileApi.h"

namespace vyn::fakes {

// An in-memory disk with Windows paths (case-insensitive, "\" between levels,
// the drive letter naming the volume). It serves the file-system object, binary
// files and temporary file names, and can be told to fail. Its failures carry the
// numbers the real services give (FileErrors.h).
class FakeDisk : public FileSystem, public BinaryFiles, public TempFileApi {
 public:
  FakeDisk();

  std::string tempFolder = "C:\\Users\\user\\AppData\\Local\\Temp\\";

  void AddFolder(const std::wstring& path);  // and every folder above it
  void AddFile(const std::wstring& path, const std::string& bytes, bool readOnly = false);
  bool HasFile(const std::wstring& path) const;
  std::optional<std::string> Contents(const std::wstring& path) const;
  bool IsReadOnly(const std::wstring& path) const;
  // Paths of the files in a folder (not below it) whose names begin with prefix.
  std::vector<std::wstring> FilesIn(const std::wstring& folder,
                                    const std::wstring& prefix = L"") const;
  int OpenFiles() const { return openFiles_; }

  // Failure injection.
  std::optional<std::int64_t> diskFullAfterBytes;  // total bytes Put before "Disk full"
  bool failTempFileName = false;                   // GetTempFileNameA returns 0
  // GetTempFileNameA in these folders (lower case, no trailing "\\") fails with this number.
  std::map<std::wstring, std::int32_t> failNameIn;
  std::set<std::wstring> failOpen;  // OpenForBinary throws 75 for these (lower case)
  bool failReplace = false;         // ReplaceFile throws 70 (the destination held)
  std::set<std::wstring> held;      // DeleteFile and Kill throw 70 for these (lower case)

  // FileSystem
  bool FileExists(const std::wstring& path) override;
  bool FolderExists(const std::wstring& path) override;
  void DeleteFile(const std::wstring& path, bool force) override;
  void MoveFile(const std::wstring& source, const std::wstring& destination) override;
  void ReplaceFile(const std::wstring& source, const std::wstring& destination) override;

  // BinaryFiles
  std::unique_ptr<BinaryFile> OpenForBinary(const std::wstring& path) override;
  void Kill(const std::wstring& path) override;

  // TempFileApi
  std::uint32_t GetTempPathA(std::uint32_t bufferLength, char* buffer) override;
  std::uint32_t GetTempFileNameA(const char* pathName, const char* prefix, std::uint32_t unique,
                                 char* tempFileName) override;
  Error NameFailure() const override { return MakeError(nameFailure_); }

 private:
  struct File {
    std::wstring path;  // as created
    std::string bytes;
    bool readOnly = false;
  };
  class OpenFile;
  static std::wstring Key(const std::wstring& path);
  static std::wstring Parent(const std::wstring& key);
  bool ParentExists(const std::wstring& path) const;

  std::map<std::wstring, File> files_;
  std::set<std::wstring> folders_;
  std::int64_t bytesPut_ = 0;
  std::uint32_t nextUnique_ = 0x1A2B;
  std::int32_t nameFailure_ = errors::kPathFileAccess;
  int openFiles_ = 0;
};

}  // namespace vyn::fakes
