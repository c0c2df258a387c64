#pragma once

#include <filesystem>

// The components' renames, deletes and replacements on Windows, each retried while
// the file is refused for a moment (Win32FileRetry.h). Declared without <windows.h>,
// for the portable components. Each throws FileInUseError (FileInUse.h) for a file
// another program still holds after the retries, else std::system_error.
namespace vyn::win32_files {

// `to` must not exist. A held file is `from`.
void Rename(const std::filesystem::path& from, const std::filesystem::path& to);

// A file that is not there is no failure.
void Remove(const std::filesystem::path& path);

// Puts `replacement` in place of `replaced`, which keeps its attributes and
// permissions (ReplaceFileW; Wine's carries neither over, Windows' does); a missing
// `replaced` is created by a rename. A read-only `replaced` is not overridden:
// ReadOnlyFileError.
void Replace(const std::filesystem::path& replacement, const std::filesystem::path& replaced);

}  // namespace vyn::win32_files
