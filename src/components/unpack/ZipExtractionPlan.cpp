#include "components/unpack/ZipExtractionPlan.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "components/files/NativeFile.h"
#include "components/unpack/StagedExtraction.h"
#include "components/unpack/WildcardMatch.h"
#include "components/unpack/ZipErrors.h"
#include "components/unpack/ZipNames.h"
#include "platform/FileNameCase.h"
#include "platform/PathText.h"

namespace vyn {

namespace fs = std::filesystem;

namespace {

fs::path RelativePath(const std::vector<std::wstring>& parts) {
  fs::path relative;
  for (const auto& part : parts) relative /= ToFsPath(part);
  return relative;
}

// The places that the members take, as Windows tells names apart (without regard to
// case). A place is its folder's number and its name in capitals; every folder is
// stored once, so the memory needed grows with the names' length, not its square.
class Places {
 public:
  using Place = std::pair<std::size_t, std::wstring>;

  // The place of the last part, after adding the folders on its way.
  Place Add(const std::vector<std::wstring>& parts) {
    std::size_t folder = 0;  // the target folder
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
      folder = folders_.emplace(Place{folder, UpcaseFileName(parts[i])}, folders_.size() + 1)
                   .first->second;
    }
    return Place{folder, UpcaseFileName(parts.back())};
  }
  void AddFolder(Place place) { folders_.emplace(std::move(place), folders_.size() + 1); }
  bool IsFolder(const Place& place) const { return folders_.count(place) != 0; }

 private:
  std::map<Place, std::size_t> folders_;
};

// Kept free beyond what the members need: the system and the programs beside us
// (page file, temporary files, the settings saved right after) must not find the
// volume full either. A fixed amount, so a large drive is not held to a large share.
constexpr std::uint64_t kFreeSpaceMargin = 64ull << 20;
// Every file takes whole clusters, 4 KiB on most volumes.
constexpr std::uint64_t kClusterSize = 4096;

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

}  // namespace

// The target folder's full path with a closing separator, in UTF-16 units.
std::size_t FullPathLength(const fs::path& target) {
  std::error_code error;
  fs::path full = fs::absolute(target, error);
  if (error) full = target;
  return Utf16Length(WithTrailingSeparator(full.wstring()));
}

// Refuses, before anything is written, members whose declared sizes (the most the
// unpacking lets through) do not fit in the free space less the margin.
void CheckFreeSpace(const Plan& plan, std::uint64_t free) {
  std::uint64_t needed = 0;
  for (const auto& file : plan.files) {
    const std::uint64_t size = file.first->uncompressedSize;
    needed =
        SaturatingAdd(needed, SaturatingAdd(size, kClusterSize - 1) / kClusterSize * kClusterSize);
  }
  if (SaturatingAdd(needed, kFreeSpaceMargin) > free) {
    throw ZipProblem{zip_errors::kTargetUnwritable, L"",
                     L"not enough free space: the members need " + std::to_wstring(needed) +
                         L" bytes and " + std::to_wstring(kFreeSpaceMargin) +
                         L" bytes must stay free, but the target folder's drive has " +
                         std::to_wstring(free) + L" bytes free"};
  }
}

// The topmost folders on the members' way that the target does not have yet, each
// to be staged whole and moved into place in one step; left out is one whose
// members would not fit below the staging folder at their own paths. Windows
// renames no folder while a program holds a file in it open (scanners open fresh
// files for a moment): such a move fails, and is handled, like a file's.
std::vector<fs::path> NewFolders(const fs::path& target, const Plan& plan,
                                 std::size_t targetLength) {
  std::map<fs::path, bool> present;  // each folder looked at once
  std::map<fs::path, bool> fits;     // by new folder
  const auto rootOf = [&](const fs::path& folder) {
    fs::path way;
    for (const auto& part : folder) {
      way /= part;
      auto found = present.find(way);
      if (found == present.end()) {
        std::error_code error;
        found = present.emplace(way, fs::exists(fs::symlink_status(target / way, error))).first;
      }
      if (!found->second) return way;
    }
    return fs::path();
  };
  const auto note = [&](const fs::path& folder, const fs::path& relative, std::size_t limit) {
    const fs::path root = rootOf(folder);
    if (root.empty()) return;
    const bool fit =
        targetLength + StagingFolder::kMirrorExtra + Utf16Length(relative.wstring()) <= limit;
    fits.emplace(root, true).first->second &= fit;
  };
  for (const auto& [entry, relative] : plan.files) {
    note(relative.parent_path(), relative, kMaxFilePath);
    note(relative.parent_path(), relative.parent_path(), kMaxFolderPath);
  }
  for (const auto& folder : plan.folders) note(folder, folder, kMaxFolderPath);
  std::vector<fs::path> roots;
  for (const auto& [root, fit] : fits) {
    if (fit) roots.push_back(root);
  }
  return roots;
}

// Whether `relative` lies in one of `folders` (sorted).
bool InFolders(const fs::path& relative, const std::vector<fs::path>& folders) {
  fs::path way;
  for (const auto& part : relative.parent_path()) {
    way /= part;
    if (std::binary_search(folders.begin(), folders.end(), way)) return true;
  }
  return false;
}

// Staged files lie deeper than the members' places: a target folder that leaves no
// room for them is refused before anything is written.
void CheckStagingPathLength(std::size_t targetLength, std::size_t files) {
  for (const bool folder : {true, false}) {
    const std::size_t length = targetLength + StagingFolder::ExtraLength(files, folder);
    const std::size_t limit = folder ? kMaxFolderPath : kMaxFilePath;
    if (length > limit) {
      throw ZipProblem{zip_errors::kTargetUnwritable, L"",
                       L"the target folder's path is too long: unpacking adds up to " +
                           std::to_wstring(length - targetLength) + L" characters to its " +
                           std::to_wstring(targetLength) + L", and Windows allows at most " +
                           std::to_wstring(limit)};
    }
  }
}

// Checks every member's name, whether or not the mask picks it, and lists what to unpack.
// `targetLength`: the target folder's full path with its closing separator, in characters.
Plan MakePlan(const std::vector<ZipEntry>& entries, const std::wstring& mask,
              std::size_t targetLength) {
  Plan plan;
  Places places;
  std::map<Places::Place, const ZipEntry*> files;
  // An empty data set is never a refresh.
  if (std::none_of(entries.begin(), entries.end(),
                   [](const ZipEntry& entry) { return !entry.IsDirectory(); })) {
    throw ZipProblem{zip_errors::kDamaged, L"", L"the archive holds no files"};
  }
  for (const ZipEntry& entry : entries) {
    if (entry.IsSymbolicLink()) {
      throw ZipProblem{zip_errors::kUnsafeMember, entry.name, L"the member is a symbolic link"};
    }
    const std::vector<std::wstring> parts = SafeMemberPath(entry.name);
    CheckPathLength(entry.name, targetLength, parts, entry.IsDirectory());
    if (entry.IsDirectory()) {
      if (entry.uncompressedSize != 0) {
        throw ZipProblem{zip_errors::kDamaged, entry.name, L"a folder entry holds data"};
      }
      if (parts.empty()) continue;
      places.AddFolder(places.Add(parts));
      if (WildcardMatch(mask, parts.back())) plan.folders.push_back(RelativePath(parts));
      continue;
    }
    if (parts.empty()) {
      throw ZipProblem{zip_errors::kUnsafeMember, entry.name, L"the member has no file name"};
    }
    if (!files.emplace(places.Add(parts), &entry).second) {
      throw ZipProblem{zip_errors::kUnsafeMember, entry.name,
                       L"the member is in the archive twice (Windows does not tell upper "
                       L"from lower case in names)"};
    }
    if (WildcardMatch(mask, parts.back())) plan.files.emplace_back(&entry, RelativePath(parts));
  }
  for (const auto& [place, entry] : files) {
    if (places.IsFolder(place)) {
      throw ZipProblem{zip_errors::kUnsafeMember, entry->name,
                       L"the name is both a file and a folder in the archive"};
    }
  }
  return plan;
}

}  // namespace vyn
