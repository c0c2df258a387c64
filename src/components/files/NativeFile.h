#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vyn {

// Path of a folder or file as the program spells it ("C:\Data\x.zip"). On the
// test host, where "\" is an ordinary character, it stands for the separator.
std::filesystem::path ToFsPath(const std::wstring& text);

// A binary file with 64-bit positions. Owns its stream; closes it when destroyed.
class NativeFile {
 public:
  enum class Mode { kRead, kCreate };

  // Throws std::system_error when the file cannot be opened.
  NativeFile(const std::filesystem::path& path, Mode mode);
  NativeFile(const NativeFile&) = delete;
  NativeFile& operator=(const NativeFile&) = delete;

  std::uint64_t Size();
  // Reads up to `count` bytes at `offset`; returns how many were read.
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count);
  // Appends; throws std::system_error on a short write.
  void Write(const void* buffer, std::size_t count);
  // Flushes the stream and asks the system to put the data on disk, then closes.
  void CommitAndClose();
  // Flushes the stream and closes; the data may still wait in the system's cache.
  void Close();
  // Closes a file that must reach the disk along with many others. Where the
  // system commits one open file cheaply (Windows), it is committed now and true is
  // returned: committing it later would cost opening it again. Elsewhere it is
  // closed as by Close and false returned; CommitToDisk must still be called for it.
  bool CloseAndCommitIfCheap();

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
};

// Bytes this process may still write on the volume holding `folder`.
// Throws std::filesystem::filesystem_error.
std::uint64_t FreeSpace(const std::filesystem::path& folder);

// Renames, deletes and replacements of the program's own files. On Windows each is
// tried again for a few seconds while the file is refused for a moment
// (TransientRetry.h); a file that another program still holds then fails with
// FileInUseError (FileInUse.h), which names it.

// Gives a file a new name on the same volume; `to` must not exist. One call, where
// std::filesystem::rename looks at `to` first (under Wine, a search through its
// folder). Throws std::system_error.
void RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Deletes one file (not a folder). Throws std::system_error; a file that is not
// there is no failure.
void RemoveFile(const std::filesystem::path& path);

// Gives a file Windows' hidden attribute, where there is one; a failure leaves it
// shown, which harms nothing.
void MarkHidden(const std::filesystem::path& path);

// Puts `replacement` in place of `replaced` in one step (on the same volume); on
// Windows `replaced` keeps its attributes and permissions. A read-only `replaced`
// belongs to someone who wants it kept: it is not overridden, ReadOnlyFileError.
// Throws std::system_error.
void ReplaceExistingFile(const std::filesystem::path& replacement,
                         const std::filesystem::path& replaced);

// Held by this process alone while it lives: the lock of a read, change and
// replacement of the file beside it. While another process holds it, it is tried
// again as a refused step is (TransientRetry.h), then FileInUseError; a lock that
// cannot be made at all (no rights, a folder in its place) is std::system_error.
class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  std::filesystem::path path_;
  int descriptor_ = -1;
};

// Asks the system to put the data of files written and closed before on disk, and
// waits until it has. Many files cost far less this way than one commit each.
// Throws std::system_error.
void CommitToDisk(const std::vector<std::filesystem::path>& files);

}  // namespace vyn
