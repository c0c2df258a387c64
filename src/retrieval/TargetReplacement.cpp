#include "retrieval/TargetReplacement.h"

#include "platform/Error.h"
#include "support/clsTempFile.h"

namespace vyn {
namespace {

std::wstring FolderOf(const std::wstring& path) {
  auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L".";
  return path.substr(0, slash + 1);
}

}  // namespace

void ReplaceTarget(Platform& platform, const std::wstring& download, const std::wstring& target) {
  FileSystem& fs = platform.fileSystem;
  std::wstring staging = clsTempFile(platform.tempFiles, platform.ansi, platform.messageBoxes)
                             .FileName2(L"~re", FolderOf(target));
  // No name there: the target's folder is missing or cannot be written.
  if (staging.empty()) throw MakeError(errors::kPathNotFound);
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
