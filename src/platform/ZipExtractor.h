#pragma once

#include <cstdint>
#include <string>

namespace vyn {

// Action code of Execute that unpacks the members matching FileMask from
// SourceArchive into TargetFolder.
constexpr std::int32_t kZipActionExtract = 8;

// The zip component, as the program uses it. Operations stand in the order of
// the component's interface slots. Failures are thrown as Error.
class ZipExtractor {
 public:
  virtual ~ZipExtractor() = default;
  virtual void Execute(std::int32_t action) = 0;
  // Folder and mask may come in double quotes.
  virtual void TargetFolder(const std::wstring& folder) = 0;
  virtual void FileMask(const std::wstring& mask) = 0;
  virtual void SourceArchive(const std::wstring& path) = 0;
};

}  // namespace vyn
