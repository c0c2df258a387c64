#include "components/files/AtomicFile.h"

#include <cstdio>
#include <random>
#include <string>
#include <system_error>

#include "components/files/NativeFile.h"

namespace vyn {
namespace {

std::string UniqueHex() {
  std::random_device device;
  char text[9];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(device()) & 0xFFFFFFFFul);
  return text;
}

}  // namespace

void ReplaceFileContents(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::path pending = path;
  pending += kPendingFileSuffix + UniqueHex();
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
