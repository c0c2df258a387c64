#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/components/NativeFile.h"
#include "platform/components/Utf8.h"

namespace vyn {

namespace {
std::system_error LastError(const char* what) {
  return std::system_error(errno, std::generic_category(), what);
}
}  // namespace

std::filesystem::path ToFsPath(const std::wstring& text) {
  std::wstring slashed = text;
  for (auto& c : slashed) {
    if (c == L'\\') c = L'/';
  }
  return std::filesystem::path(EncodeUtf8(slashed));
}

NativeFile::NativeFile(const std::filesystem::path& path, Mode mode)
    : file_(std::fopen(path.c_str(), mode == Mode::kRead ? "rb" : "wb")) {
  if (!file_) throw LastError("open");
}

std::uint64_t NativeFile::Size() {
  if (fseeko(file_.get(), 0, SEEK_END) != 0) throw LastError("seek");
  const off_t end = ftello(file_.get());
  if (end < 0) throw LastError("tell");
  return static_cast<std::uint64_t>(end);
}

std::size_t NativeFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
  if (offset > static_cast<std::uint64_t>(INT64_MAX)) return 0;
  if (fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) != 0) throw LastError("seek");
  const std::size_t got = std::fread(buffer, 1, count, file_.get());
  if (got < count && std::ferror(file_.get())) throw LastError("read");
  return got;
}

void NativeFile::Write(const void* buffer, std::size_t count) {
  if (count != 0 && std::fwrite(buffer, 1, count, file_.get()) != count) throw LastError("write");
}

void NativeFile::CommitAndClose() {
  if (std::fflush(file_.get()) != 0) throw LastError("flush");
  if (fsync(fileno(file_.get())) != 0) throw LastError("fsync");
  if (std::fclose(file_.release()) != 0) throw LastError("close");
}

void NativeFile::Close() {
  if (std::fflush(file_.get()) != 0) throw LastError("flush");
  // Starts writing the data out without waiting for it, so that CommitToDisk
  // later finds little left to do. Only a hint: a failure here changes nothing.
  sync_file_range(fileno(file_.get()), 0, 0, SYNC_FILE_RANGE_WRITE);
  if (std::fclose(file_.release()) != 0) throw LastError("close");
}

void CommitToDisk(const std::vector<std::filesystem::path>& files) {
  // One syncfs writes out every file of the file system; the callers' files
  // lie in one folder, so the folder's file system is theirs.
  std::vector<std::filesystem::path> folders;
  for (const auto& file : files) {
    auto folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    if (folders.empty() || folders.back() != folder) folders.push_back(folder);
  }
  for (const auto& folder : folders) {
    const int handle = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) throw LastError("open folder");
    const int result = syncfs(handle);
    const int error = errno;
    close(handle);
    if (result != 0) throw std::system_error(error, std::generic_category(), "syncfs");
  }
}

}  // namespace vyn
