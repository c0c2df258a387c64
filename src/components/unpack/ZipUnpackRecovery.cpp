// Completing, or naming, an unpacking that was ended while it moved files into place.

#include <exception>

#include "components/files/NativeFile.h"
#include "components/unpack/StagedExtraction.h"
#include "components/unpack/ZipArchiveExtractor.h"
#include "components/unpack/ZipNames.h"
#include "platform/Error.h"
#include "platform/FileInUse.h"
#include "platform/Utf8.h"

namespace vyn {

namespace {

std::wstring UnfinishedRefreshText(const std::wstring& folder, const std::exception& failure) {
  const auto* held = dynamic_cast<const FileInUseError*>(&failure);
  return L"An earlier refresh of the data folder \"" + folder +
         L"\" was ended before it was done, and it cannot be completed (" +
         (held ? held->Sentence(L"\"" + held->Path().wstring() + L"\"")
               : WidenFromUtf8(failure.what())) +
         L"). Close the programs that use the data folder, such as VYN Veltrix, and press "
         L"Download again; if this message stays, call technical support.";
}

}  // namespace

void FinishEarlierUnpacking(const std::wstring& folder) {
  try {
    FinishStagedCommits(ToFsPath(folder), RenameFile);
  } catch (const std::exception& failure) {
    throw Error(zip_errors::kTargetUnwritable, UnfinishedRefreshText(folder, failure));
  }
}

void ZipUnpackRecovery::FinishInterruptedUnpacking(const std::wstring& folder) {
  FinishEarlierUnpacking(WithoutQuotes(folder));
}

}  // namespace vyn
