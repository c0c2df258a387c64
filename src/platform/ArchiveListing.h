#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vyn {

// One member of an archive as its directory declares it.
struct ArchiveMember {
  std::wstring name;
  std::uint64_t size = 0;  // unpacked bytes
};

// Lists an archive's members without unpacking it (for the run log). Independent
// of any window: it may run on any thread.
class ArchiveListing {
 public:
  virtual ~ArchiveListing() = default;
  // Throws Error when the archive cannot be read.
  virtual std::vector<ArchiveMember> Members(const std::wstring& archive) = 0;
};

}  // namespace vyn
