#include "platform/win32/Win32FileSystem.h"

#include "platform/win32/Win32FileSteps.h"

namespace vyn {
namespace {

DWORD Attributes(const std::wstring& path) {
  return GetFileAttributesW(path.c_str());
}

}  // namespace

bool Win32FileSystem::FileExists(const std::wstring& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::FolderExists(const std::wstring& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The steps are Win32FileSteps'; `force` is the caller's word that the file is its own.
void Win32FileSystem::DeleteFile(const std::wstring& path, bool force) {
  win32_files::DeleteFileByName(
      path, force ? win32_files::ReadOnlyFile::kOverride : win32_files::ReadOnlyFile::kKeep);
}

void Win32FileSystem::MoveFile(const std::wstring& source, const std::wstring& destination) {
  win32_files::MoveFileByName(source, destination);
}

// The destination is the archive the program fetched: its own, also when read-only.
void Win32FileSystem::ReplaceFile(const std::wstring& source, const std::wstring& destination) {
  win32_files::ReplaceFileByName(source, destination, win32_files::ReadOnlyFile::kOverride);
}

}  // namespace vyn
