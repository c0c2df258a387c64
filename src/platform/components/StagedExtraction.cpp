#include "platform/components/StagedExtraction.h"

#include <random>
#include <stdexcept>
#include <string>

namespace vyn {

namespace fs = std::filesystem;

namespace {

std::string RandomHex() {
  std::random_device device;
  const unsigned long long value =
      (static_cast<unsigned long long>(device()) << 32) ^ static_cast<unsigned long long>(device());
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (int shift = 60; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
  return text;
}

[[noreturn]] void PlaceTaken(const fs::path& relative, const char* why) {
  throw std::runtime_error("\"" + relative.u8string() + "\" " + why);
}

// Every existing folder on the way to `relative` must be a real folder.
void CheckWay(const fs::path& target, const fs::path& relative) {
  fs::path place = target;
  for (const auto& part : relative.parent_path()) {
    place /= part;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(place, error);
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
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

fs::path StagingFolder::NewName() {
  return path_ / std::to_string(next_++);
}

void CheckPlacesAreFree(const fs::path& target, const std::vector<fs::path>& folders,
                        const std::vector<StagedFile>& files) {
  for (const auto& folder : folders) {
    CheckWay(target, folder / "x");
  }
  for (const auto& file : files) {
    CheckWay(target, file.relative);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(target / file.relative, error);
    if (fs::is_directory(status)) PlaceTaken(file.relative, "is a folder in the target folder");
  }
}

void CommitStagedFiles(const fs::path& target, const std::vector<fs::path>& folders,
                       const std::vector<StagedFile>& files, StagingFolder& staging) {
  std::vector<fs::path> createdFolders;
  struct Placed {
    fs::path destination;
    fs::path staged;
    fs::path replaced;  // where the old file waits; empty when there was none
  };
  std::vector<Placed> placed;
  const auto makeFolders = [&](const fs::path& relative) {
    fs::path place = target;
    for (const auto& part : relative) {
      place /= part;
      if (fs::create_directory(place)) createdFolders.push_back(place);
    }
  };
  try {
    for (const auto& folder : folders) makeFolders(folder);
    for (const auto& file : files) {
      makeFolders(file.relative.parent_path());
      Placed step{target / file.relative, file.staged, fs::path()};
      if (fs::exists(fs::symlink_status(step.destination))) {
        step.replaced = staging.NewName();
        fs::rename(step.destination, step.replaced);
      }
      placed.push_back(step);
      fs::rename(step.staged, step.destination);
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
