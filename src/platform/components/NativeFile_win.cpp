#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <cerrno>
#include <system_error>

#include "platform/components/NativeFile.h"

namespace vyn {

namespace {
std::system_error LastError(const char* what) {
  return std::system_error(errno, std::generic_category(), what);
}
}  // namespace

std::filesystem::path ToFsPath(const std::wstring& text) {
  return std::filesystem::path(text);
}

NativeFile::NativeFile(const std::filesystem::path& path, Mode mode)
    : file_(_wfopen(path.c_str(), mode == Mode::kRead ? L"rb" : L"wb")) {
  if (!file_) throw LastError("open");
}

std::uint64_t NativeFile::Size() {
  if (_fseeki64(file_.get(), 0, SEEK_END) != 0) throw LastError("seek");
  const __int64 end = _ftelli64(file_.get());
  if (end < 0) throw LastError("tell");
  return static_cast<std::uint64_t>(end);
}

std::size_t NativeFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
  if (offset > static_cast<std::uint64_t>(INT64_MAX)) return 0;
  if (_fseeki64(file_.get(), static_cast<__int64>(offset), SEEK_SET) != 0) throw LastError("seek");
  const std::size_t got = std::fread(buffer, 1, count, file_.get());
  if (got < count && std::ferror(file_.get())) throw LastError("read");
  return got;
}

void NativeFile::Write(const void* buffer, std::size_t count) {
  if (count != 0 && std::fwrite(buffer, 1, count, file_.get()) != count) throw LastError("write");
}

void NativeFile::CommitAndClose() {
  if (std::fflush(file_.get()) != 0) throw LastError("flush");
  if (_commit(_fileno(file_.get())) != 0) throw LastError("commit");
  if (std::fclose(file_.release()) != 0) throw LastError("close");
}

void NativeFile::Close() {
  if (std::fflush(file_.get()) != 0) throw LastError("flush");
  if (std::fclose(file_.release()) != 0) throw LastError("close");
}

void CommitToDisk(const std::vector<std::filesystem::path>& files) {
  // Committed after all were written, the system has already put most of the
  // data on disk meanwhile.
  for (const auto& file : files) {
    const int handle = _wopen(file.c_str(), _O_WRONLY | _O_BINARY);
    if (handle < 0) throw LastError("open");
    const int result = _commit(handle);
    const int error = errno;
    _close(handle);
    if (result != 0) throw std::system_error(error, std::generic_category(), "commit");
  }
}

}  // namespace vyn
