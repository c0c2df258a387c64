#include "DataFolderCheck.h"

#include <zlib.h>

#include <fstream>
#include <sstream>

#include "TempFolder.h"

namespace vyn::e2e {

FolderContents ReadManifest(const std::filesystem::path& manifest) {
  FolderContents contents;
  std::ifstream in(manifest);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string crc, path;
    FileFacts facts;
    if (!(fields >> crc >> facts.size) || !std::getline(fields >> std::ws, path)) continue;
    facts.crc = static_cast<std::uint32_t>(std::stoul(crc, nullptr, 16));
    contents[path] = facts;
    // "a/b/c" needs the folders "a" and "a/b".
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      contents[path.substr(0, slash)] = FileFacts{0, 0, true};
    }
  }
  return contents;
}

FolderContents ListFolder(const std::filesystem::path& folder) {
  FolderContents contents;
  for (const auto& [name, bytes] : test::Snapshot(folder)) {
    if (bytes == test::kFolder) {
      contents[name] = FileFacts{0, 0, true};
      continue;
    }
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    contents[name] = FileFacts{bytes.size(), static_cast<std::uint32_t>(crc), false};
  }
  return contents;
}

FolderContents Merge(FolderContents a, const FolderContents& b) {
  for (const auto& [name, facts] : b) a[name] = facts;
  return a;
}

}  // namespace vyn::e2e
