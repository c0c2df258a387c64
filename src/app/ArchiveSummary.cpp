#include "app/ArchiveSummary.h"

#include <cstdint>

namespace vyn {
namespace {

// A longer list says nothing more to support, and the log keeps its bound.
constexpr std::size_t kNamesListed = 20;

}  // namespace

std::wstring SummariseArchive(ArchiveListing& listing, const std::wstring& path) noexcept {
  try {
    const std::vector<ArchiveMember> members = listing.Members(path);
    std::uint64_t bytes = 0;
    std::wstring names;
    std::size_t listed = 0;
    for (const ArchiveMember& member : members) {
      bytes += member.size;
      if (listed == kNamesListed) {
        names += L", ...";
        ++listed;
      } else if (listed < kNamesListed) {
        names += (listed++ == 0 ? L"" : L", ") + member.name;
      }
    }
    return std::to_wstring(members.size()) + L" members, " + std::to_wstring(bytes) + L" bytes: " +
           names;
  } catch (...) {
    return L"members not readable";
  }
}

}  // namespace vyn
