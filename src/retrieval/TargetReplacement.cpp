#include "retrieval/TargetReplacement.h"

#include "platform/Error.h"
#include "platform/PathText.h"
#include "platform/StagingNames.h"
#include "support/clsTempFile.h"

namespace vyn {
void ReplaceTarget(Platform& platform, const std::wstring& download, const std::wstring& target) {
  FileSystem& fs = platform.fileSystem;
  std::wstring staging = clsTempFile(platform.tempFiles, platform.ansi, platform.messageBoxes)
                             .FileName2(staging_names::kDownloadPrefix, FolderOf(target));
  // No name there: the target's folder is missing, may not be written or is full;
  // the platform knows which.
  if (staging.empty()) throw platform.tempFiles.NameFailure();
  try {
    // The name was created empty to reserve it; the download takes its place.
    fs.DeleteFile(staging, true);
    fs.MoveFile(download, staging);
    if (fs.FileExists(target)) {
      fs.ReplaceFile(staging, target);
    } else {
      fs.MoveFile(staging, target);
    }
  } catch (...) {
    try {
      if (fs.FileExists(staging)) fs.DeleteFile(staging, true);
    } catch (...) {
    }
    throw;
  }
}

}  // namespace vyn
