#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "components/unpack/UnpackProfile.h"
#include "components/unpack/ZipErrors.h"
#include "platform/ArchiveListing.h"
#include "platform/UnpackObserver.h"
#include "platform/UnpackRecovery.h"
#include "platform/ZipExtractor.h"

namespace vyn {

// Unpacks zip archives safely: nothing is written outside the target folder, and a
// bad archive leaves the folder as it was. Members are checked and unpacked into a
// staging folder inside the target first; only when all are good do they move into
// place, replacing files that exist and creating subfolders, under a journal that
// lets a run ended midway be completed by the next. Before anything is
// written, the declared sizes must fit in the target's free space. Error numbers: ZipErrors.h.
class ZipArchiveExtractor : public ZipExtractor {
 public:
  // Bytes free for this process on the volume holding a folder.
  using FreeSpaceQuery = std::function<std::uint64_t(const std::filesystem::path& folder)>;

  // The free space from the system; `observer` (may be null) hears of the progress.
  explicit ZipArchiveExtractor(UnpackObserver* observer = nullptr);
  explicit ZipArchiveExtractor(FreeSpaceQuery freeSpace, UnpackObserver* observer = nullptr);

  void Execute(std::int32_t action) override;
  void TargetFolder(const std::wstring& folder) override;
  void FileMask(const std::wstring& mask) override;
  void SourceArchive(const std::wstring& path) override;

  // Where the time of each Execute goes, added to `profile` (the benchmark's).
  void Profile(UnpackProfile* profile) { profile_ = profile; }

 private:
  void Extract();

  FreeSpaceQuery freeSpace_;
  UnpackObserver* observer_;
  UnpackProfile* profile_ = nullptr;
  std::wstring targetFolder_;
  std::wstring fileMask_ = L"*.*";
  std::wstring sourceArchive_;
};

// Completes the commits of an unpacking of `folder` that was ended while it moved
// files into place; one that cannot be completed is error kTargetUnwritable,
// naming what to do.
void FinishEarlierUnpacking(const std::wstring& folder);

// Completes, in a folder, the commits of unpackings that were ended while they moved
// files into place (see FinishStagedCommits).
class ZipUnpackRecovery : public UnpackRecovery {
 public:
  void FinishInterruptedUnpacking(const std::wstring& folder) override;
};

// The members a zip archive's central directory declares.
class ZipArchiveListing : public ArchiveListing {
 public:
  std::vector<ArchiveMember> Members(const std::wstring& archive) override;
};

}  // namespace vyn
