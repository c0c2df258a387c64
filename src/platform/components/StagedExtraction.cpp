#include "platform/components/StagedExtraction.h"

#include <cstring>
#include <random>
#include <set>
#include <stdexcept>
#include <string>

#include "platform/components/NativeFile.h"

namespace vyn {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kHexDigits = 16;
constexpr unsigned long long kNamesPerSubfolder = 256;

std::string RandomHex() {
  std::random_device device;
  const unsigned long long value =
      (static_cast<unsigned long long>(device()) << 32) ^ static_cast<unsigned long long>(device());
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (int shift = 60; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
  return text;
}

// The prefix and then exactly the digits RandomHex gives.
bool IsStagingName(const std::string& name) {
  const std::size_t prefix = std::strlen(kStagingPrefix);
  if (name.size() != prefix + kHexDigits || name.compare(0, prefix, kStagingPrefix) != 0) {
    return false;
  }
  for (std::size_t i = prefix; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// Removes a folder with all it holds. Windows deletes no read-only file (a data file
// that was replaced may be one), so when a first try fails, write permission is
// given to everything in it and it is tried again. Failures are left alone.
void RemoveFolder(const fs::path& folder) {
  std::error_code error;
  fs::remove_all(folder, error);
  if (!error) return;
  for (fs::recursive_directory_iterator item(folder, error), end; !error && item != end;
       item.increment(error)) {
    std::error_code ignored;
    if (!item->is_symlink(ignored)) {
      fs::permissions(item->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(folder, error);
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

}  // namespace

StagingFolder::StagingFolder(const fs::path& target) {
  for (int attempt = 0;; ++attempt) {
    path_ = target / (kStagingPrefix + RandomHex());
    if (fs::create_directory(path_)) return;
    if (attempt == 10)
      throw fs::filesystem_error("no unused staging folder name", path_, std::error_code());
  }
}

StagingFolder::~StagingFolder() {
  RemoveFolder(path_);
}

fs::path StagingFolder::NewName() {
  const fs::path subfolder = path_ / std::to_string(next_ / kNamesPerSubfolder);
  if (next_ % kNamesPerSubfolder == 0) fs::create_directory(subfolder);
  return subfolder / std::to_string(next_++ % kNamesPerSubfolder);
}

void RemoveLeftStagingFolders(const fs::path& target) {
  std::error_code error;
  for (fs::directory_iterator item(target, error), end; !error && item != end;
       item.increment(error)) {
    std::error_code ignored;
    if (IsStagingName(item->path().filename().u8string()) && !item->is_symlink(ignored) &&
        item->is_directory(ignored)) {
      RemoveFolder(item->path());
    }
  }
}

void CheckPlacesAreFree(const fs::path& target, const std::vector<fs::path>& folders,
                        std::vector<StagedFile>& files) {
  std::set<fs::path> checked;
  for (const auto& folder : folders) {
    CheckWay(target, folder / "x", checked);
  }
  for (auto& file : files) {
    CheckWay(target, file.relative, checked);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(target / file.relative, error);
    if (fs::is_directory(status)) PlaceTaken(file.relative, "is a folder in the target folder");
    file.replaces = fs::exists(status);
  }
}

void CommitStagedFiles(const fs::path& target, const std::vector<fs::path>& folders,
                       const std::vector<StagedFile>& files, StagingFolder& staging) {
  std::vector<fs::path> createdFolders;
  std::set<fs::path> madeFolders;
  struct Placed {
    fs::path destination;
    fs::path staged;
    fs::path replaced;  // where the old file waits; empty when there was none
  };
  std::vector<Placed> placed;
  // Each folder once: under Wine every call is a round trip to its server.
  const auto makeFolders = [&](const fs::path& relative) {
    fs::path way;
    for (const auto& part : relative) {
      way /= part;
      if (!madeFolders.insert(way).second) continue;
      if (fs::create_directory(target / way)) createdFolders.push_back(target / way);
    }
  };
  try {
    for (const auto& folder : folders) makeFolders(folder);
    for (const auto& file : files) {
      makeFolders(file.relative.parent_path());
      Placed step{target / file.relative, file.staged, fs::path()};
      if (file.replaces) {
        step.replaced = staging.NewName();
        RenameFile(step.destination, step.replaced);
      }
      placed.push_back(step);
      RenameFile(step.staged, step.destination);
    }
  } catch (...) {
    // Undo in reverse order; a step that fails here cannot be helped, the rest still runs.
    std::error_code ignored;
    for (auto step = placed.rbegin(); step != placed.rend(); ++step) {
      if (!fs::exists(step->staged, ignored)) fs::rename(step->destination, step->staged, ignored);
      if (!step->replaced.empty()) fs::rename(step->replaced, step->destination, ignored);
    }
    for (auto folder = createdFolders.rbegin(); folder != createdFolders.rend(); ++folder) {
      fs::remove(*folder, ignored);
    }
    throw;
  }
}

}  // namespace vyn
