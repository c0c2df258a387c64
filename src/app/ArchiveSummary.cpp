#include "app/ArchiveSummary.h"

#include <cstdint>
#include <filesystem>

#include "platform/components/ZipReader.h"

namespace vyn {
namespace {

// A longer list says nothing more to support, and the log keeps its bound.
constexpr std::size_t kNamesListed = 20;

}  // namespace

std::wstring SummariseArchive(const std::wstring& path) noexcept {
  try {
    ZipReader archive{std::filesystem::path(path)};
    std::uint64_t bytes = 0;
    std::wstring names;
    std::size_t listed = 0;
    for (const ZipEntry& entry : archive.Entries()) {
      bytes += entry.uncompressedSize;
      if (listed == kNamesListed) {
        names += L", ...";
        ++listed;
      } else if (listed < kNamesListed) {
        names += (listed++ == 0 ? L"" : L", ") + entry.name;
      }
    }
    return std::to_wstring(archive.Entries().size()) + L" members, " + std::to_wstring(bytes) +
           L" bytes: " + names;
  } catch (...) {
    return L"members not readable";
  }
}

}  // namespace vyn
