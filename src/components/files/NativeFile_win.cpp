#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <thread>

#include "components/files/NativeFile.h"
#include "components/files/NativeFileSystem.h"
#include "platform/FileErrors.h"
#include "platform/FileInUse.h"
#include "platform/TransientRetry.h"
#include "platform/win32/Win32FileSteps.h"

namespace vyn {

namespace native_file {

std::system_error LastError(const char* what) {
  return std::system_error(errno, std::generic_category(), what);
}

std::FILE* Open(const std::filesystem::path& path, bool forReading) {
  return _wfopen(path.c_str(), forReading ? L"rb" : L"wb");
}

// Opened with no sharing at all, so a second holder is refused by Windows (or the
// file server) with a sharing violation: the C run-time's errno says only EACCES,
// its _doserrno which refusal it was.
StepOutcome TryLock(const std::filesystem::path& path, int& descriptor, int& error) {
  error = _wsopen_s(&descriptor, path.c_str(), _O_CREAT | _O_RDWR | _O_BINARY | _O_NOINHERIT,
                    _SH_DENYRW, _S_IREAD | _S_IWRITE);
  if (error == 0) return StepOutcome::kDone;
  return OpenWasRefused() ? StepOutcome::kRefused : StepOutcome::kFailed;
}

// Removed once let go, unless another process holds it by then (it shares nothing).
void Unlock(const std::filesystem::path& path, int descriptor) {
  _close(descriptor);
  _wunlink(path.c_str());
}

bool OpenWasRefused() {
  return file_errors::IsHeld(static_cast<std::uint32_t>(_doserrno));
}

int SeekTo(std::FILE* file, std::uint64_t offset) {
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET);
}

int SeekToEnd(std::FILE* file) {
  return _fseeki64(file, 0, SEEK_END);
}

std::int64_t Tell(std::FILE* file) {
  return _ftelli64(file);
}

int Sync(std::FILE* file) {
  return _commit(_fileno(file));
}

// The system writes closed files out by itself; CommitToDisk waits for them.
void StartWriteBack(std::FILE*) {}

// CommitToDisk opens every file again, and Windows commits one file at a time.
const bool kCommitEachFile = true;

}  // namespace native_file

using native_file::LastError;

std::filesystem::path ToFsPath(const std::wstring& text) {
  return std::filesystem::path(text);
}

void RenameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  win32_files::Rename(from, to);
}

void RemoveFile(const std::filesystem::path& path) {
  win32_files::Remove(path);
}

void MarkHidden(const std::filesystem::path& path) {
  win32_files::MarkHidden(path);
}

void ReplaceExistingFile(const std::filesystem::path& replacement,
                         const std::filesystem::path& replaced) {
  win32_files::Replace(replacement, replaced);
}

void CommitToDisk(const std::vector<std::filesystem::path>& files) {
  // Committed after all were written, the system has already put most of the data
  // on disk meanwhile. What is left is mostly waiting for the disk, once per file:
  // several threads wait at once, and the system serves their commits together.
  constexpr std::size_t kFilesPerThread = 64;
  constexpr std::size_t kMostThreads = 8;
  const std::size_t threads =
      std::min(kMostThreads, (files.size() + kFilesPerThread - 1) / kFilesPerThread);
  std::vector<int> errors(threads, 0);
  std::vector<const char*> steps(threads, nullptr);
  const auto commitShare = [&](std::size_t share) {
    for (std::size_t i = share; i < files.size(); i += threads) {
      const int handle = _wopen(files[i].c_str(), _O_WRONLY | _O_BINARY);
      if (handle < 0) {
        errors[share] = errno;
        steps[share] = "open";
        return;
      }
      const int result = _commit(handle);
      const int error = errno;
      _close(handle);
      if (result != 0) {
        errors[share] = error;
        steps[share] = "commit";
        return;
      }
    }
  };
  std::vector<std::thread> workers;
  for (std::size_t share = 1; share < threads; ++share) workers.emplace_back(commitShare, share);
  if (threads != 0) commitShare(0);
  for (auto& worker : workers) worker.join();
  for (std::size_t share = 0; share < threads; ++share) {
    if (steps[share]) throw std::system_error(errors[share], std::generic_category(), steps[share]);
  }
}

}  // namespace vyn
