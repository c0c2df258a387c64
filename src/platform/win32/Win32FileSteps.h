#pragma once

#include <filesystem>
#include <string>

// The one home of the program's renames, deletes and replacements on Windows. Each
// step is tried again while the file is refused for a moment (Win32FileRetry.h),
// and its failure is reported through the one table of FileErrors.h. Two faces
// over the same steps: the components' (std::system_error, as the C library
// reports) and the file-system object's (Error, as the program numbers failures).
// Declared without <windows.h>, for the portable native files.
namespace vyn::win32_files {

// Whether a step may override a read-only file: the one policy, decided here.
// A file the program fetched itself (the archive it puts in place, then deletes) is
// its own, and a read-only mark on it is lifted for the step (kOverride). Any other
// file (the product's settings, the data files, a file the user named) belongs to
// someone who may want it kept: the step fails instead (kKeep).
enum class ReadOnlyFile { kKeep, kOverride };

// The components' face. Each throws FileInUseError (FileInUse.h) for a file another
// program still holds after the retries, else std::system_error.

// `to` must not exist; both on one volume. A held file is `from`.
void Rename(const std::filesystem::path& from, const std::filesystem::path& to);

// A file that is not there is no failure.
void Remove(const std::filesystem::path& path);

// Adds the hidden attribute; a failure is ignored.
void MarkHidden(const std::filesystem::path& path);

// Puts `replacement` in place of `replaced`, which keeps its attributes and
// permissions (ReplaceFileW; Wine's carries neither over, Windows' does); a missing
// `replaced` is created by a rename. A read-only `replaced` is kept: ReadOnlyFileError.
void Replace(const std::filesystem::path& replacement, const std::filesystem::path& replaced);

// The file-system object's face. Each throws Error: 70 naming the file and its
// holder for a file another program still holds, else the table's number.

// A missing file is 53.
void DeleteFileByName(const std::wstring& path, ReadOnlyFile readOnly);
// Also across volumes; an existing destination fails the move.
void MoveFileByName(const std::wstring& source, const std::wstring& destination);
// In one step, on one volume; the destination is the one another program may hold.
void ReplaceFileByName(const std::wstring& source, const std::wstring& destination,
                       ReadOnlyFile readOnly);

// The calling thread's last Windows error as the program numbers it.
[[noreturn]] void ThrowLastFileError();

}  // namespace vyn::win32_files
