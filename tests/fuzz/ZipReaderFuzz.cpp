// Feeds bytes as an archive to the extractor. Whatever happens, nothing may be
// written outside the target folder, and a refused archive leaves it empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzWorkFolder.h"
#include "components/unpack/ZipArchiveExtractor.h"
#include "platform/Error.h"

namespace fs = std::filesystem;

namespace {

std::size_t CountEntries(const fs::path& folder) {
  std::size_t count = 0;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator();
       ++it) {
    ++count;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path work = FuzzWorkFolder("vyn-zip-fuzz");
  const fs::path outside = work / "outside";
  const fs::path target = outside / "target";
  const fs::path archive = work / "archive.zip";
  {
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  bool refused = false;
  vyn::ZipArchiveExtractor zip;
  zip.SourceArchive(archive.wstring());
  zip.TargetFolder(L"\"" + target.wstring() + L"/\"");
  zip.FileMask(L"\"*.*\"");
  try {
    zip.Execute(vyn::kZipActionExtract);
  } catch (const vyn::Error&) {
    refused = true;
  }

  // "outside" holds only the target; the target holds no staging leftovers.
  if (CountEntries(outside) != 1 + CountEntries(target)) std::abort();
  if (refused && CountEntries(target) != 0) std::abort();
  for (const auto& item : fs::directory_iterator(target)) {
    const std::string name = item.path().filename().string();
    if (name.size() == 13 && name.rfind(".vyn-", 0) == 0) std::abort();  // ".vyn-" and 8 hex digits
  }
  fs::remove_all(target);
  fs::create_directory(target);
  return 0;
}
