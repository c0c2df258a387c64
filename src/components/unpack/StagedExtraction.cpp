#include "components/unpack/StagedExtraction.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>

#include "components/files/NativeFile.h"
#include "components/unpack/StagingJournal.h"
#include "platform/TransientRetry.h"

namespace vyn {

namespace fs = std::filesystem;

namespace {

using staging_names::kNameLength;
constexpr unsigned long long kNamesPerSubfolder = 256;

std::string RandomHex() {
  std::random_device device;
  const unsigned long value = static_cast<unsigned long>(device()) & 0xFFFFFFFFul;
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
  return text;
}

bool IsHexName(const std::string& name, std::string_view prefix, std::size_t digits) {
  const std::size_t length = prefix.size();
  if (name.size() != length + digits || name.compare(0, length, prefix) != 0) return false;
  return std::all_of(name.begin() + length, name.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool IsStagingName(const std::string& name) {
  return IsHexName(name, staging_names::kPrefix, staging_names::kHexDigits) ||
         IsHexName(name, staging_names::kEarlierPrefix, staging_names::kEarlierHexDigits);
}

std::size_t Digits(unsigned long long number) {
  std::size_t digits = 1;
  for (; number >= 10; number /= 10) ++digits;
  return digits;
}

// Removes a staging folder with all it holds. Its journal goes first: no staged
// file may be gone while a journal still names it. When the journal cannot go,
// nothing else does. Windows deletes no read-only file (a data file that was
// replaced may be one), so a file that refuses is given write permission and tried
// again. Failures are left alone; what stays is removed by the next recovery.
void RemoveStagingFolder(const fs::path& folder) {
  try {
    RemoveFile(JournalPath(folder));
  } catch (const std::system_error&) {
    return;
  }
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::recursive_directory_iterator item(folder, error), end; !error && item != end;
       item.increment(error)) {
    std::error_code ignored;
    if (!item->is_directory(ignored)) files.push_back(item->path());
  }
  for (const auto& file : files) {
    try {
      RemoveFile(file);
    } catch (const std::system_error&) {
      std::error_code ignored;
      fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ignored);
      try {
        RemoveFile(file);
      } catch (const std::system_error&) {
      }
    }
  }
  fs::remove_all(folder, error);  // the subfolders, empty now
}

// Makes the moves of a journal that are not made yet. A move whose staged file is
// gone was made (its destination holds that file); one whose destination was
// already moved aside is not moved aside again. So a recovery that is ended is
// completed by the next.
void RollForward(const fs::path& target, const fs::path& staging, const StagingJournal& journal,
                 const MoveStep& move) {
  for (const auto& folder : journal.folders) fs::create_directories(target / folder);
  std::size_t intruders = 0;
  for (const auto& step : journal.moves) {
    const fs::path staged = staging / step.staged;
    const fs::path destination = target / step.destination;
    if (!fs::exists(fs::symlink_status(staged))) continue;
    if (!step.aside.empty() && fs::exists(fs::symlink_status(destination)) &&
        !fs::exists(fs::symlink_status(staging / step.aside))) {
      move(destination, staging / step.aside);
    }
    // Something took the destination since the kill (the product recreated the
    // file): the journal's file wins, the intruder goes with the staging folder.
    if (fs::exists(fs::symlink_status(destination))) {
      fs::path aside;
      do {
        aside =
            staging / (std::string(staging_names::kIntruderPrefix) + std::to_string(intruders++));
      } while (fs::exists(fs::symlink_status(aside)));
      move(destination, aside);
    }
    move(staged, destination);
  }
}

void FinishStagedCommit(const fs::path& staging, const MoveStep& move) {
  if (!fs::exists(CompleteMarkerPath(staging))) {
    if (const auto journal = ReadJournal(staging)) {
      RollForward(staging.parent_path(), staging, *journal, move);
      MarkComplete(staging);
    }
  }
  RemoveStagingFolder(staging);
}

[[noreturn]] void PlaceTaken(const fs::path& relative, const char* why) {
  throw std::runtime_error("\"" + relative.u8string() + "\" " + why);
}

// Every existing folder on the way to `relative` must be a real folder. Folders
// checked before (in `checked`) are not looked at again.
void CheckWay(const fs::path& target, const fs::path& relative, std::set<fs::path>& checked) {
  fs::path way;
  for (const auto& part : relative.parent_path()) {
    way /= part;
    if (!checked.insert(way).second) continue;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(target / way, error);
    if (!fs::exists(status)) return;
    if (fs::is_symlink(status))
      PlaceTaken(relative, "lies below a symbolic link in the target folder");
    if (!fs::is_directory(status)) PlaceTaken(relative, "lies below a file of the target folder");
  }
}

// The folders that a commit may have to create, each once and every parent before
// its children (under Wine every call is a round trip to its server); none that
// arrives whole with a new folder.
std::vector<fs::path> FoldersToMake(const std::vector<fs::path>& folders,
                                    const std::vector<fs::path>& newFolders,
                                    const std::vector<StagedFile>& files) {
  std::vector<fs::path> ordered;
  const std::set<fs::path> arriving(newFolders.begin(), newFolders.end());
  std::set<fs::path> seen;
  const auto add = [&](const fs::path& relative) {
    fs::path way;
    for (const auto& part : relative) {
      way /= part;
      if (arriving.count(way) != 0) return;  // it and all below it come whole
      if (seen.insert(way).second) ordered.push_back(way);
    }
  };
  for (const auto& folder : folders) add(folder);
  for (const auto& file : files) {
    if (!file.inNewFolder) add(file.relative.parent_path());
  }
  return ordered;
}

}  // namespace

StagingFolder::StagingFolder(const fs::path& target) {
  for (int attempt = 0;; ++attempt) {
    path_ = target / (std::string(staging_names::kPrefix) + RandomHex());
    if (fs::create_directory(path_)) return;
    if (attempt == 10)
      throw fs::filesystem_error("no unused staging folder name", path_, std::error_code());
  }
}

StagingFolder::~StagingFolder() {
  std::error_code error;
  if (fs::exists(JournalPath(path_), error) || error) return;
  RemoveStagingFolder(path_);
}

fs::path StagingFolder::NewName() {
  const fs::path subfolder = path_ / std::to_string(next_ / kNamesPerSubfolder);
  if (next_ % kNamesPerSubfolder == 0) fs::create_directory(subfolder);
  return subfolder / std::to_string(next_++ % kNamesPerSubfolder);
}

std::size_t StagingFolder::ExtraLength(std::size_t files, bool folder) {
  // A staged name and a name for the file it replaces, for each file.
  const unsigned long long names = 2ull * files + 1;
  const std::size_t subfolder = kNameLength + 1 + Digits((names - 1) / kNamesPerSubfolder);
  if (folder) return subfolder;
  const std::size_t staged = subfolder + 1 + Digits(std::min(names, kNamesPerSubfolder) - 1);
  const std::size_t journal = kNameLength + 1 + staging_names::kJournalBeingWritten.size();
  return std::max(staged, journal);
}

void FinishStagedCommits(const fs::path& target, const MoveStep& move) {
  // A file refused for good is waited for once, not once per file: a recovery
  // stays within a few seconds whatever it cannot delete.
  const RetryBudgetScope budget;
  std::vector<fs::path> left;
  std::error_code error;
  for (fs::directory_iterator item(target, error), end; !error && item != end;
       item.increment(error)) {
    std::error_code ignored;
    if (IsStagingName(item->path().filename().u8string()) && !item->is_symlink(ignored) &&
        item->is_directory(ignored)) {
      left.push_back(item->path());
    }
  }
  for (const auto& staging : left) FinishStagedCommit(staging, move);
}

void CheckPlacesAreFree(const fs::path& target, const std::vector<fs::path>& folders,
                        std::vector<StagedFile>& files) {
  std::set<fs::path> checked;
  for (const auto& folder : folders) {
    CheckWay(target, folder / "x", checked);
  }
  for (auto& file : files) {
    CheckWay(target, file.relative, checked);
    // Its new folder's place is checked on the way; nothing can be inside yet.
    if (file.inNewFolder) continue;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(target / file.relative, error);
    if (fs::is_directory(status)) PlaceTaken(file.relative, "is a folder in the target folder");
    file.replaces = fs::exists(status);
  }
}

void CommitStagedFiles(const fs::path& target, const std::vector<fs::path>& folders,
                       const std::vector<fs::path>& newFolders,
                       const std::vector<StagedFile>& files, StagingFolder& staging,
                       const MoveStep& move, UnpackProfile* profile) {
  std::optional<PhaseTimer> step(std::in_place, profile, UnpackProfile::kJournal);
  StagingJournal journal;
  journal.folders = FoldersToMake(folders, newFolders, files);
  for (const auto& folder : newFolders) {
    journal.moves.push_back(
        {staging.Mirror(folder).lexically_relative(staging.Path()), fs::path(), folder});
  }
  for (const auto& file : files) {
    if (file.inNewFolder) continue;
    journal.moves.push_back(
        {file.staged.lexically_relative(staging.Path()),
         file.replaces ? staging.NewName().lexically_relative(staging.Path()) : fs::path(),
         file.relative});
  }
  WriteJournal(staging.Path(), journal);
  step.emplace(profile, UnpackProfile::kMoves);

  std::vector<fs::path> createdFolders;
  std::size_t begun = 0;  // moves of which at least the first step was made
  try {
    for (const auto& folder : journal.folders) {
      if (fs::create_directory(target / folder)) createdFolders.push_back(target / folder);
    }
    for (const auto& step : journal.moves) {
      const fs::path destination = target / step.destination;
      if (!step.aside.empty()) move(destination, staging.Path() / step.aside);
      ++begun;
      move(staging.Path() / step.staged, destination);
    }
  } catch (...) {
    // Undo in reverse order; a step that fails here cannot be helped, the rest still
    // runs, and the journal stays for the next recovery to roll forward.
    bool undone = true;
    const auto undo = [&](const fs::path& from, const fs::path& to) {
      try {
        move(from, to);
      } catch (...) {
        undone = false;
      }
    };
    std::error_code ignored;
    for (std::size_t i = begun; i-- > 0;) {
      const JournalMove& step = journal.moves[i];
      const fs::path staged = staging.Path() / step.staged;
      const fs::path destination = target / step.destination;
      if (!fs::exists(staged, ignored)) undo(destination, staged);
      if (!step.aside.empty()) undo(staging.Path() / step.aside, destination);
    }
    if (undone) {
      try {
        RemoveFile(JournalPath(staging.Path()));
      } catch (...) {
      }
    }
    for (auto folder = createdFolders.rbegin(); folder != createdFolders.rend(); ++folder) {
      fs::remove(*folder, ignored);
    }
    throw;
  }
  // Every move is made: from here on a failure changes nothing in the target folder.
  // A journal that stays is found complete, or its moves made, by the next recovery.
  try {
    MarkComplete(staging.Path());
    RemoveFile(JournalPath(staging.Path()));
  } catch (const std::system_error&) {
  }
}

}  // namespace vyn
