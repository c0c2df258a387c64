#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <cerrno>
#include <system_error>

#include "platform/components/NativeFile.h"
#include "platform/components/NativeFileSystem.h"

namespace vyn {

namespace native_file {

std::system_error LastError(const char* what) {
  return std::system_error(errno, std::generic_category(), what);
}

std::FILE* Open(const std::filesystem::path& path, bool forReading) {
  return _wfopen(path.c_str(), forReading ? L"rb" : L"wb");
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

}  // namespace native_file

using native_file::LastError;

std::filesystem::path ToFsPath(const std::wstring& text) {
  return std::filesystem::path(text);
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
