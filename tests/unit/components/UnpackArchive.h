#pragma once

#include <filesystem>
#include <string>

#include "components/unpack/ZipArchiveExtractor.h"

namespace vyn::test {

// Unpacks `archive` into `folder` the way the program does: the folder and the mask
// in quotes, the archive without. Throws what the extractor throws.
inline void UnpackArchive(ZipArchiveExtractor& zip, const std::filesystem::path& archive,
                          const std::wstring& folder, const std::wstring& mask = L"\"*.*\"") {
  zip.SourceArchive(archive.wstring());
  zip.TargetFolder(L"\"" + folder + L"\"");
  zip.FileMask(mask);
  zip.Execute(kZipActionExtract);
}

}  // namespace vyn::test
