#include "platform/win32/Win32BinaryFiles.h"

#include <windows.h>

#include <algorithm>

#include "platform/FileErrors.h"
#include "platform/win32/Win32FileSteps.h"

namespace vyn {
namespace {

using win32_files::ThrowLastFileError;

class Win32BinaryFile : public BinaryFile {
 public:
  explicit Win32BinaryFile(HANDLE handle) : handle_(handle) {}
  ~Win32BinaryFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Win32BinaryFile(const Win32BinaryFile&) = delete;
  Win32BinaryFile& operator=(const Win32BinaryFile&) = delete;

  void Put(std::int64_t position, const std::uint8_t* data, std::size_t count) override {
    if (handle_ == INVALID_HANDLE_VALUE) throw MakeError(file_errors::kPutOnClosedFile);
    if (position < 1) throw MakeError(file_errors::kPutBeforeFirstByte);
    // A transfer puts every chunk right after the one before; the file pointer
    // is already there, and a seek per chunk would be a system call for nothing.
    if (position - 1 != next_) {
      LARGE_INTEGER offset;
      offset.QuadPart = position - 1;
      if (!SetFilePointerEx(handle_, offset, nullptr, FILE_BEGIN)) ThrowLastFileError();
    }
    std::int64_t at = position - 1;
    next_ = -1;  // unknown until the writes succeed
    while (count > 0) {
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(handle_, data, chunk, &written, nullptr)) ThrowLastFileError();
      if (written == 0) throw MakeError(file_errors::kNothingWritten);
      data += written;
      count -= written;
      at += written;
    }
    next_ = at;
  }

  void Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle)) ThrowLastFileError();
  }

  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
  std::int64_t next_ = -1;  // 0-based offset of the file pointer after the last Put; -1 unknown
};

}  // namespace

std::unique_ptr<BinaryFile> Win32BinaryFiles::OpenForBinary(const std::wstring& path) {
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) win32_files::ThrowLastFileError();
  return std::make_unique<Win32BinaryFile>(handle);
}

void Win32BinaryFiles::Kill(const std::wstring& path) {
  // The same delete as the file-system object's, so that both fail alike.
  win32_files::DeleteFileByName(path, win32_files::ReadOnlyFile::kKeep);
}

}  // namespace vyn
