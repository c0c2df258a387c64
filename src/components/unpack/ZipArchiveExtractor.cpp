#include "components/unpack/ZipArchiveExtractor.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "components/files/NativeFile.h"
#include "components/unpack/StagedExtraction.h"
#include "components/unpack/StagedFileWriter.h"
#include "components/unpack/ZipExtractionPlan.h"
#include "components/unpack/ZipNames.h"
#include "components/unpack/ZipReader.h"
#include "platform/Error.h"
#include "platform/FileInUse.h"
#include "platform/FileNameCase.h"
#include "platform/PathText.h"

namespace vyn {

namespace fs = std::filesystem;

namespace {

// A file of the data folder by its name there ("\"photos\\index.txt\" in the data
// folder"), anything else by its full path.
std::wstring AsTheUserKnowsIt(const fs::path& file, const fs::path& target) {
  const fs::path relative = file.lexically_relative(target);
  if (relative.empty() || *relative.begin() == "..") return L"\"" + file.wstring() + L"\"";
  return L"\"" + relative.wstring() + L"\" in the data folder";
}

// Small members are unpacked into memory and written by the writer's workers;
// large ones are written here, as they are unpacked.
constexpr std::uint64_t kLargeMember = 1u << 20;

void UnpackMember(ZipReader& reader, const ZipEntry& entry, const fs::path& staged,
                  StagedFileWriter& writer, UnpackProfile* profile) {
  if (entry.uncompressedSize <= kLargeMember) {
    // No more than the declared size reaches the sink.
    std::vector<unsigned char> data;
    data.reserve(static_cast<std::size_t>(entry.uncompressedSize));
    {
      PhaseTimer inflating(profile, UnpackProfile::kInflate);
      reader.Unpack(entry, [&data](const unsigned char* bytes, std::size_t count) {
        data.insert(data.end(), bytes, bytes + count);
      });
    }
    PhaseTimer queueing(profile, UnpackProfile::kQueue);
    writer.Add(staged, std::move(data));
    return;
  }
  PhaseTimer writing(profile, UnpackProfile::kWrite);  // with the inflating
  NativeFile out(staged, NativeFile::Mode::kCreate);
  reader.Unpack(entry,
                [&out](const unsigned char* bytes, std::size_t count) { out.Write(bytes, count); });
  out.Close();
  writer.AddWritten(staged);
}

}  // namespace

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
  {
    PhaseTimer recovering(profile_, UnpackProfile::kRecovery);
    FinishEarlierUnpacking(targetFolder_);
  }
  try {
    {
      std::optional<PhaseTimer> planning(std::in_place, profile_, UnpackProfile::kPlan);
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
      StagedFileWriter writer(profile_);
      planning.reset();
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
        UnpackMember(reader, *entry, staged.back().staged, writer, profile_);
        done += entry->uncompressedSize;
        PhaseTimer progress(profile_, UnpackProfile::kProgress);
        if (observer_ && !observer_->Unpacked(done, total)) {
          throw ZipProblem{zip_errors::kCancelled, L"", L"the unpacking was cancelled"};
        }
      }
      // On disk before anything moves into place.
      PhaseTimer writingOut(profile_, UnpackProfile::kWriteOut);
      writer.Finish();
    }
    {
      PhaseTimer checking(profile_, UnpackProfile::kCheck);
      CheckPlacesAreFree(target, plan.folders, staged);
    }
    if (observer_) observer_->Committing();
    CommitStagedFiles(target, plan.folders, newFolders, staged, *staging, RenameFile, profile_);
    PhaseTimer cleaning(profile_, UnpackProfile::kCleanup);
    staging.reset();
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

}  // namespace vyn
