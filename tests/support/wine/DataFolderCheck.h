#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace vyn::e2e {

// What one file holds, by size and CRC-32; or a folder.
struct FileFacts {
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  bool folder = false;
  bool operator==(const FileFacts& other) const {
    return size == other.size && crc == other.crc && folder == other.folder;
  }
};

// Relative path, keyed as in a folder snapshot ("a/b.txt") -> facts.
using FolderContents = std::map<std::string, FileFacts>;

// The members the sample generator put into an archive (its "<archive>.manifest"),
// with the folders they need. Empty when the manifest cannot be read.
FolderContents ReadManifest(const std::filesystem::path& manifest);

// Everything under a folder, files and subfolders.
FolderContents ListFolder(const std::filesystem::path& folder);

// Both manifests together, for a download of both data sets.
FolderContents Merge(FolderContents a, const FolderContents& b);

}  // namespace vyn::e2e
