#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "components/unpack/UnpackProfile.h"
#include "platform/StagingNames.h"

namespace vyn {

// Gives a file a new name; RenameFile (NativeFile.h) unless a test makes steps fail.
using MoveStep =
    std::function<void(const std::filesystem::path& from, const std::filesystem::path& to)>;

// A fresh staging folder inside the target folder. When destroyed it is removed
// with all it holds, unless it holds a journal of a commit that was neither
// completed nor undone: then the next recovery completes that commit.
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

  // Where a file or folder below a folder that the target does not have yet waits,
  // at its own path below the staging folder's "t": the new folder then moves into
  // place whole, one move for all it holds. The caller creates the folders on the way.
  std::filesystem::path Mirror(const std::filesystem::path& relative) const {
    return path_ / std::string(staging_names::kMirrorFolder) / relative;
  }
  // The characters that Mirror adds to the target folder's full path (with its
  // closing separator).
  static constexpr std::size_t kMirrorExtra = staging_names::kMirrorExtra;

  // The most characters that staging adds to the target folder's full path (with
  // its closing separator) for a commit of `files` files: in a file's path, or
  // with `folder` in a folder's.
  static std::size_t ExtraLength(std::size_t files, bool folder);

 private:
  std::filesystem::path path_;
  unsigned long long next_ = 0;
};

// Completes every commit into `target` that was ended (killed, powered off) after
// its journal was written and before it was completed or undone, rolling it
// forward, and then removes the staging folders, also those of runs ended before
// their commit began. Only folders named exactly as this program names them are
// touched. A recovery that is itself ended is completed by the next. Throws
// std::system_error or std::filesystem::filesystem_error when a move fails; that
// commit's staging folder then stays for the next recovery.
void FinishStagedCommits(const std::filesystem::path& target, const MoveStep& move);

// One unpacked file waiting in the staging folder, and where it goes.
struct StagedFile {
  std::filesystem::path staged;
  std::filesystem::path relative;  // below the target folder
  bool replaces = false;           // a file is there already; set by CheckPlacesAreFree
  bool inNewFolder = false;        // staged by Mirror; moves with its new folder
};

// Throws std::runtime_error when a folder's place below the target is taken by
// something else than a folder, a file's place by a folder, or a symbolic link lies
// on the way (it could lead out of the target). Checked before anything is moved;
// notes which files replace one that is there.
void CheckPlacesAreFree(const std::filesystem::path& target,
                        const std::vector<std::filesystem::path>& folders,
                        std::vector<StagedFile>& files);

// Writes the commit's journal (on disk before anything is touched), moves the new
// folders (`newFolders`, staged by Mirror) into place, creates the other folders
// and moves the other staged files into place, replacing files that exist (also
// read-only ones), and marks the journal complete. When a step fails, everything
// done so far is undone (new folders removed, replaced files put back) and the
// failure rethrown unchanged; should the undoing fail too, the journal stays and
// the next recovery completes the commit instead.
void CommitStagedFiles(const std::filesystem::path& target,
                       const std::vector<std::filesystem::path>& folders,
                       const std::vector<std::filesystem::path>& newFolders,
                       const std::vector<StagedFile>& files, StagingFolder& staging,
                       const MoveStep& move, UnpackProfile* profile = nullptr);

}  // namespace vyn
