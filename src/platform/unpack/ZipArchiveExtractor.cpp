#include "platform/unpack/ZipArchiveExtractor.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "platform/Error.h"
#include "platform/FileInUse.h"
#include "platform/FileNameCase.h"
#include "platform/PathText.h"
#include "platform/files/NativeFile.h"
#include "platform/unpack/StagedExtraction.h"
#include "platform/unpack/StagedFileWriter.h"
#include "platform/unpack/WildcardMatch.h"
#include "platform/unpack/ZipNames.h"
#include "platform/unpack/ZipReader.h"

namespace vyn {

namespace fs = std::filesystem;

namespace {

std::wstring WithoutQuotes(const std::wstring& text) {
  if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

// The target folder's full path with a closing separator, in UTF-16 units.
std::size_t FullPathLength(const fs::path& target) {
  std::error_code error;
  fs::path full = fs::absolute(target, error);
  if (error) full = target;
  return Utf16Length(WithTrailingSeparator(full.wstring()));
}

// A file of the data folder by its name there ("\"photos\\index.txt\" in the data
// folder"), anything else by its full path.
std::wstring AsTheUserKnowsIt(const fs::path& file, const fs::path& target) {
  const fs::path relative = file.lexically_relative(target);
  if (relative.empty() || *relative.begin() == "..") return L"\"" + file.wstring() + L"\"";
  return L"\"" + relative.wstring() + L"\" in the data folder";
}

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

struct Plan {
  std::vector<fs::path> folders;
  std::vector<std::pair<const ZipEntry*, fs::path>> files;
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

// Small members are unpacked into memory and written by the writer's workers;
// large ones are written here, as they are unpacked.
constexpr std::uint64_t kLargeMember = 1u << 20;

void UnpackMember(ZipReader& reader, const ZipEntry& entry, const fs::path& staged,
                  StagedFileWriter& writer) {
  if (entry.uncompressedSize <= kLargeMember) {
    // No more than the declared size reaches the sink.
    std::vector<unsigned char> data;
    data.reserve(static_cast<std::size_t>(entry.uncompressedSize));
    reader.Unpack(entry, [&data](const unsigned char* bytes, std::size_t count) {
      data.insert(data.end(), bytes, bytes + count);
    });
    writer.Add(staged, std::move(data));
    return;
  }
  NativeFile out(staged, NativeFile::Mode::kCreate);
  reader.Unpack(entry,
                [&out](const unsigned char* bytes, std::size_t count) { out.Write(bytes, count); });
  out.Close();
  writer.AddWritten(staged);
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

}  // namespace

namespace {

std::wstring UnfinishedRefreshText(const std::wstring& folder, const std::exception& failure) {
  const auto* held = dynamic_cast<const FileInUseError*>(&failure);
  return L"An earlier refresh of the data folder \"" + folder +
         L"\" was ended before it was done, and it cannot be completed (" +
         (held ? held->Sentence(L"\"" + held->Path().wstring() + L"\"")
               : WidenFromUtf8(failure.what())) +
         L"). Close the programs that use the data folder, such as VYN Veltrix, and press "
         L"Download again; if this message stays, call technical support.";
}

}  // namespace

void ZipUnpackRecovery::FinishInterruptedUnpacking(const std::wstring& folder) {
  try {
    FinishStagedCommits(ToFsPath(WithoutQuotes(folder)), RenameFile);
  } catch (const std::exception& failure) {
    throw Error(zip_errors::kTargetUnwritable,
                UnfinishedRefreshText(WithoutQuotes(folder), failure));
  }
}

ZipArchiveExtractor::ZipArchiveExtractor(UnpackObserver* observer)
    : ZipArchiveExtractor(FreeSpace, observer) {}

ZipArchiveExtractor::ZipArchiveExtractor(FreeSpaceQuery freeSpace, UnpackObserver* observer)
    : freeSpace_(std::move(freeSpace)), observer_(observer) {}

void ZipArchiveExtractor::TargetFolder(const std::wstring& folder) {
  targetFolder_ = WithoutQuotes(folder);
}

void ZipArchiveExtractor::FileMask(const std::wstring& mask) {
  fileMask_ = WithoutQuotes(mask);
}

void ZipArchiveExtractor::SourceArchive(const std::wstring& path) {
  sourceArchive_ = path;
}

void ZipArchiveExtractor::Execute(std::int32_t action) {
  if (action != kZipActionExtract) {
    throw Error(zip_errors::kUnsupportedAction,
                L"ZipExtractor: unsupported action " + std::to_wstring(action));
  }
  if (sourceArchive_.empty() || targetFolder_.empty()) {
    throw Error(zip_errors::kNotReady,
                L"ZipExtractor: the source archive and the target folder must be given first");
  }
  try {
    Extract();
  } catch (const ZipProblem& problem) {
    std::wstring description = L"Archive \"" + sourceArchive_ + L"\"";
    if (!problem.member.empty()) description += L", member \"" + problem.member + L"\"";
    throw Error(problem.number, description + L": " + problem.problem);
  }
}

void ZipArchiveExtractor::Extract() {
  const fs::path target = ToFsPath(targetFolder_);
  std::error_code error;
  if (!fs::is_directory(target, error)) {
    throw ZipProblem{zip_errors::kTargetUnwritable, L"",
                     L"the target folder \"" + targetFolder_ + L"\" does not exist"};
  }
  // The archive is closed before anything moves: it may lie in the target folder itself.
  std::unique_ptr<StagingFolder> staging;
  std::vector<StagedFile> staged;
  std::vector<fs::path> newFolders;  // sorted
  Plan plan;
  try {
    FinishStagedCommits(target, RenameFile);
  } catch (const std::exception& failure) {
    throw Error(zip_errors::kTargetUnwritable, UnfinishedRefreshText(targetFolder_, failure));
  }
  try {
    {
      ZipReader reader(ToFsPath(sourceArchive_));
      const std::size_t targetLength = FullPathLength(target);
      plan = MakePlan(reader.Entries(), fileMask_, targetLength);
      CheckStagingPathLength(targetLength, plan.files.size());
      CheckFreeSpace(plan, freeSpace_(target));
      newFolders = NewFolders(target, plan, targetLength);
      staging = std::make_unique<StagingFolder>(target);
      std::set<fs::path> made;  // folders below the staging folder's mirror
      const auto makeMirror = [&](const fs::path& folder) {
        if (made.insert(folder).second) fs::create_directories(staging->Mirror(folder));
      };
      for (const auto& folder : plan.folders) {
        if (InFolders(folder / "x", newFolders)) makeMirror(folder);
      }
      // Stops before the staging folder is removed: declared after it.
      std::uint64_t total = 0;
      for (const auto& member : plan.files) total += member.first->uncompressedSize;
      std::uint64_t done = 0;
      StagedFileWriter writer;
      for (const auto& [entry, relative] : plan.files) {
        StagedFile file{fs::path(), relative};
        file.inNewFolder = InFolders(relative, newFolders);
        if (file.inNewFolder) {
          makeMirror(relative.parent_path());
          file.staged = staging->Mirror(relative);
        } else {
          file.staged = staging->NewName();
        }
        staged.push_back(std::move(file));
        UnpackMember(reader, *entry, staged.back().staged, writer);
        done += entry->uncompressedSize;
        if (observer_ && !observer_->Unpacked(done, total)) {
          throw ZipProblem{zip_errors::kCancelled, L"", L"the unpacking was cancelled"};
        }
      }
      // On disk before anything moves into place.
      writer.Finish();
    }
    CheckPlacesAreFree(target, plan.folders, staged);
    if (observer_) observer_->Committing();
    CommitStagedFiles(target, plan.folders, newFolders, staged, *staging, RenameFile);
  } catch (const ZipProblem&) {
    throw;
  } catch (const Error&) {
    throw;
  } catch (const FileInUseError& held) {
    // The whole description: what the user reads is who holds which file.
    throw Error(zip_errors::kTargetUnwritable,
                held.Sentence(AsTheUserKnowsIt(held.Path(), target)));
  } catch (const std::exception& failure) {
    throw ZipProblem{zip_errors::kTargetUnwritable, L"",
                     L"the target folder \"" + targetFolder_ + L"\" cannot be written: " +
                         WidenFromUtf8(failure.what())};
  }
}

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
