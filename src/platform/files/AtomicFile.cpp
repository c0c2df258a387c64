#include "platform/files/AtomicFile.h"

#include <system_error>

#include "platform/files/NativeFile.h"

namespace vyn {

void ReplaceFileContents(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::path pending = path;
  pending += kPendingFileSuffix;
  try {
    NativeFile file(pending, NativeFile::Mode::kCreate);
    file.Write(bytes.data(), bytes.size());
    file.CommitAndClose();
    ReplaceExistingFile(pending, path);
  } catch (...) {
    std::error_code ignored;
    if (!std::filesystem::is_directory(pending, ignored)) std::filesystem::remove(pending, ignored);
    throw;
  }
}

}  // namespace vyn
