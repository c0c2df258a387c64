#include <filesystem>
#include <vector>

#include "components/unpack/ZipArchiveExtractor.h"
#include "components/unpack/ZipReader.h"
#include "platform/Error.h"

namespace vyn {

std::vector<ArchiveMember> ZipArchiveListing::Members(const std::wstring& archive) {
  try {
    ZipReader reader{std::filesystem::path(archive)};
    std::vector<ArchiveMember> members;
    members.reserve(reader.Entries().size());
    for (const ZipEntry& entry : reader.Entries()) {
      members.push_back({entry.name, entry.uncompressedSize});
    }
    return members;
  } catch (...) {
    throw CurrentError();
  }
}

}  // namespace vyn
