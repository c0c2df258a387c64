#include "components/files/NativeFile.h"

#include <cstdint>

#include "components/files/NativeFileSystem.h"
#include "platform/FileInUse.h"
#include "platform/TransientRetry.h"

namespace vyn {

using native_file::LastError;

NativeFile::NativeFile(const std::filesystem::path& path, Mode mode) {
  bool refused = false;
  RetryWhileRefused([&] {
    file_.reset(native_file::Open(path, mode == Mode::kRead));
    if (file_) return StepOutcome::kDone;
    refused = native_file::OpenWasRefused();
    return refused ? StepOutcome::kRefused : StepOutcome::kFailed;
  });
  if (file_) return;
  if (refused) throw FileInUseError(path, {});
  throw LastError("open");
}

std::uint64_t NativeFile::Size() {
  if (native_file::SeekToEnd(file_.get()) != 0) throw LastError("seek");
  const std::int64_t end = native_file::Tell(file_.get());
  if (end < 0) throw LastError("tell");
  return static_cast<std::uint64_t>(end);
}

std::size_t NativeFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
  if (offset > static_cast<std::uint64_t>(INT64_MAX)) return 0;
  if (native_file::SeekTo(file_.get(), offset) != 0) throw LastError("seek");
  const std::size_t got = std::fread(buffer, 1, count, file_.get());
  if (got < count && std::ferror(file_.get())) throw LastError("read");
  return got;
}

void NativeFile::Write(const void* buffer, std::size_t count) {
  if (count != 0 && std::fwrite(buffer, 1, count, file_.get()) != count) throw LastError("write");
}

void NativeFile::CommitAndClose() {
  if (std::fflush(file_.get()) != 0) throw LastError("flush");
  if (native_file::Sync(file_.get()) != 0) throw LastError("sync");
  if (std::fclose(file_.release()) != 0) throw LastError("close");
}

void NativeFile::Close() {
  if (std::fflush(file_.get()) != 0) throw LastError("flush");
  // So that CommitToDisk later finds little left to do.
  native_file::StartWriteBack(file_.get());
  if (std::fclose(file_.release()) != 0) throw LastError("close");
}

bool NativeFile::CloseAndCommitIfCheap() {
  if (native_file::kCommitEachFile) {
    CommitAndClose();
    return true;
  }
  Close();
  return false;
}

std::uint64_t FreeSpace(const std::filesystem::path& folder) {
  // The library asks statvfs, or GetDiskFreeSpaceExW on Windows; what is left for
  // this user, after quotas and reserved blocks.
  return std::filesystem::space(folder).available;
}

FileLock::FileLock(const std::filesystem::path& path) : path_(path) {
  int error = 0;
  const StepOutcome outcome =
      RetryWhileRefused([&] { return native_file::TryLock(path, descriptor_, error); });
  if (outcome == StepOutcome::kDone) return;
  if (outcome == StepOutcome::kRefused) throw FileInUseError(path, {});
  throw std::system_error(error, std::generic_category(), "lock");
}

FileLock::~FileLock() {
  native_file::Unlock(path_, descriptor_);
}

}  // namespace vyn
