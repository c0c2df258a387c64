#include <chrono>

#include "app/ArchiveSummary.h"
#include "app/frmDataLoader.h"
#include "platform/Error.h"

namespace vyn {

// Unpacks the fetched archive into the data folder, then deletes it; false when the
// user cancelled the unpack. A failure of the unpacking propagates: the archive
// stays and the data set is not recorded as refreshed.
bool frmDataLoader::ExtractArchive(const std::wstring& caption) {
  stage_ = Stage::kUnpack;
  const std::wstring quote = L"\"";
  const auto begun = std::chrono::steady_clock::now();
  platform_.log.Write(L"Unpacking " + ArchivePath + L" into " + DataPath);
  Zip->SourceArchive(ArchivePath);
  Zip->TargetFolder(quote + DataPath + quote);
  Zip->FileMask(quote + L"*.*" + quote);
  bool unpacked = false;
  try {
    // No record may vouch for files that the unpacking replaces.
    records_->Remove(ArchivePath);
    // The unpack of a large archive takes longer than Windows lets a window go
    // unanswered: it runs in a window of its own that answers meanwhile.
    frmUnpack window(platform_, unpackProgress_);
    unpacked = window.Unpack(caption, [this] { Zip->Execute(kZipActionExtract); });
  } catch (...) {
    const Error refused = CurrentError();
    platform_.log.Write(L"Unpack refused, archive kept: " +
                        DescribeFailure(refused.Number(), refused.Description()));
    throw;
  }
  if (!unpacked) {
    platform_.log.Write(L"Unpack cancelled before its commit, nothing changed, archive kept: " +
                        ArchivePath);
    return false;
  }
  platform_.log.Write(L"Unpacked " +
                      SummariseArchive(*platform_.components.CreateArchiveListing(), ArchivePath) +
                      L" in " + std::to_wstring(MillisecondsSince(begun)) + L" ms");
  RecordRefresh();
  // The data folder holds the new set now: an archive that another program (a
  // scanner, a backup) still holds after the retries is no reason to leave the set
  // unrecorded. It stays until the next fetch of this set replaces and deletes it.
  try {
    platform_.files.Kill(ArchivePath);
  } catch (...) {
    const Error held = CurrentError();
    platform_.log.Write(L"Archive left in the data folder, for the next refresh to delete: " +
                        ArchivePath + L" (" + DescribeFailure(held.Number(), held.Description()) +
                        L")");
  }
  stage_ = Stage::kRecord;
  return true;
}

}  // namespace vyn
