#pragma once

#include <filesystem>
#include <string>

namespace vyn {

// Suffix of the file that a replacement is written to before it takes the
// target's place, followed by 8 hex digits of its own, so that two writers never
// share one; it lies beside the target so the final rename stays on one volume.
inline constexpr const char* kPendingFileSuffix = ".saving-";

// Replaces the file's contents in one step: the bytes go to `path` + ".saving-...",
// are flushed to disk, and that file is renamed over `path`. A crash leaves
// either the old file or the new one, never a half-written one. A read-only file is
// not replaced (ReadOnlyFileError). On failure the old file is untouched, the
// pending file removed, and std::system_error (or std::filesystem::filesystem_error)
// is thrown.
void ReplaceFileContents(const std::filesystem::path& path, const std::string& bytes);

}  // namespace vyn
