#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "components/files/NativeFile.h"
#include "components/files/NativeFileSystem.h"
#include "platform/FileInUse.h"
#include "platform/TransientRetry.h"
#include "platform/Utf8.h"

namespace vyn {

namespace native_file {

std::system_error LastError(const char* what) {
  return std::system_error(errno, std::generic_category(), what);
}

std::FILE* Open(const std::filesystem::path& path, bool forReading) {
  return std::fopen(path.c_str(), forReading ? "rb" : "wb");
}

StepOutcome TryLock(const std::filesystem::path& path, int& descriptor, int& error) {
  descriptor = ::open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
  if (descriptor >= 0 && ::flock(descriptor, LOCK_EX | LOCK_NB) == 0) return StepOutcome::kDone;
  error = errno;
  if (descriptor >= 0) ::close(descriptor);
  return error == EWOULDBLOCK ? StepOutcome::kRefused : StepOutcome::kFailed;
}

// Removed as on Windows. Here a third process could then lock a new file while a
// second still holds the old one; the posix build serves the tests of one process.
void Unlock(const std::filesystem::path& path, int descriptor) {
  ::unlink(path.c_str());
  ::close(descriptor);
}

// No system here refuses an open because another program holds the file.
bool OpenWasRefused() {
  return false;
}

int SeekTo(std::FILE* file, std::uint64_t offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET);
}

int SeekToEnd(std::FILE* file) {
  return fseeko(file, 0, SEEK_END);
}

std::int64_t Tell(std::FILE* file) {
  return ftello(file);
}

// One syncfs in CommitToDisk commits every file of a file system at once.
const bool kCommitEachFile = false;

int Sync(std::FILE* file) {
  return fsync(fileno(file));
}

void StartWriteBack(std::FILE* file) {
  // A failure here changes nothing: CommitToDisk still waits for the data.
  sync_file_range(fileno(file), 0, 0, SYNC_FILE_RANGE_WRITE);
}

}  // namespace native_file

using native_file::LastError;

std::filesystem::path ToFsPath(const std::wstring& text) {
  std::wstring slashed = text;
  for (auto& c : slashed) {
    if (c == L'\\') c = L'/';
  }
  return std::filesystem::path(EncodeUtf8(slashed));
}

void RenameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) throw LastError("rename");
}

void RemoveFile(const std::filesystem::path& path) {
  if (std::remove(path.c_str()) != 0 && errno != ENOENT) throw LastError("remove");
}

// A name that begins with a dot is what hides a file here.
void MarkHidden(const std::filesystem::path&) {}

void ReplaceExistingFile(const std::filesystem::path& replacement,
                         const std::filesystem::path& replaced) {
  // No write permission for anyone is what Windows' read-only attribute looks like here.
  std::error_code ignored;
  const std::filesystem::file_status status = std::filesystem::status(replaced, ignored);
  constexpr auto kWrite = std::filesystem::perms::owner_write |
                          std::filesystem::perms::group_write |
                          std::filesystem::perms::others_write;
  if (std::filesystem::exists(status) &&
      (status.permissions() & kWrite) == std::filesystem::perms::none) {
    throw ReadOnlyFileError(replaced);
  }
  if (std::rename(replacement.c_str(), replaced.c_str()) != 0) throw LastError("rename");
}

void CommitToDisk(const std::vector<std::filesystem::path>& files) {
  // One syncfs writes out every file of a file system: one call for each file
  // system that the files' folders lie on.
  std::vector<dev_t> done;
  std::filesystem::path last;
  for (const auto& file : files) {
    auto folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    if (folder == last) continue;
    last = folder;
    const int handle = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) throw LastError("open folder");
    struct stat status {};
    int result = fstat(handle, &status);
    if (result == 0 && std::find(done.begin(), done.end(), status.st_dev) == done.end()) {
      result = syncfs(handle);
      done.push_back(status.st_dev);
    }
    const int error = errno;
    close(handle);
    if (result != 0) throw std::system_error(error, std::generic_category(), "syncfs");
  }
}

}  // namespace vyn
