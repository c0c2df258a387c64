#pragma once

#include <filesystem>
#include <vector>

namespace vyn {

// Name of the folder, inside the target folder, that members are unpacked into first.
inline constexpr const char* kStagingPrefix = ".vyn-staging-";

// A fresh staging folder inside the target folder; removed with all it holds when destroyed.
// Its names are spread over subfolders of a few hundred each: Windows programs under Wine
// look through a whole folder for every name that is not there yet.
class StagingFolder {
 public:
  // Throws std::filesystem::filesystem_error when it cannot be created.
  explicit StagingFolder(const std::filesystem::path& target);
  ~StagingFolder();
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // A name in the staging folder not handed out before. Throws
  // std::filesystem::filesystem_error when a subfolder cannot be created.
  std::filesystem::path NewName();

 private:
  std::filesystem::path path_;
  unsigned long long next_ = 0;
};

// Removes the staging folders that an earlier unpacking into `target` left behind
// when it was ended before it could clean up. Only folders named exactly as this
// program names them are touched; what cannot be removed stays.
void RemoveLeftStagingFolders(const std::filesystem::path& target);

// One unpacked file waiting in the staging folder, and where it goes.
struct StagedFile {
  std::filesystem::path staged;
  std::filesystem::path relative;  // below the target folder
  bool replaces = false;           // a file is there already; set by CheckPlacesAreFree
};

// Throws std::runtime_error when a folder's place below the target is taken by
// something else than a folder, a file's place by a folder, or a symbolic link lies
// on the way (it could lead out of the target). Checked before anything is moved;
// notes which files replace one that is there.
void CheckPlacesAreFree(const std::filesystem::path& target,
                        const std::vector<std::filesystem::path>& folders,
                        std::vector<StagedFile>& files);

// Creates the folders and moves the staged files into place, replacing files that
// exist (also read-only ones). When a step fails, everything done so far is undone (new folders
// removed, replaced files put back) and the failure rethrown.
void CommitStagedFiles(const std::filesystem::path& target,
                       const std::vector<std::filesystem::path>& folders,
                       const std::vector<StagedFile>& files, StagingFolder& staging);

}  // namespace vyn
