#include "DataFolderCheck.h"

#include <zlib.h>

#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace vyn::e2e {
namespace {

std::wstring Backslashes(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

// Adds "a\" and "a\b\" for a member "a\b\c".
void AddParents(FolderContents& contents, const std::wstring& path) {
  for (std::size_t slash = path.find(L'\\'); slash != std::wstring::npos;
       slash = path.find(L'\\', slash + 1)) {
    contents[path.substr(0, slash + 1)] = FileFacts{};
  }
}

FileFacts Facts(const std::filesystem::path& file) {
  FileFacts facts;
  std::ifstream in(file, std::ios::binary);
  std::vector<char> buffer(1 << 16);
  uLong crc = crc32(0L, Z_NULL, 0);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    std::streamsize got = in.gcount();
    if (got <= 0) break;
    crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(got));
    facts.size += static_cast<std::uint64_t>(got);
  }
  facts.crc = static_cast<std::uint32_t>(crc);
  return facts;
}

}  // namespace

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
    std::wstring name = Backslashes(std::filesystem::u8path(path).wstring());
    contents[name] = facts;
    AddParents(contents, name);
  }
  return contents;
}

FolderContents ListFolder(const std::filesystem::path& folder) {
  FolderContents contents;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    std::wstring name = Backslashes(std::filesystem::relative(it->path(), folder).wstring());
    if (it->is_directory()) {
      contents[name + L"\\"] = FileFacts{};
    } else {
      contents[name] = Facts(it->path());
    }
  }
  return contents;
}

FolderContents Merge(FolderContents a, const FolderContents& b) {
  for (const auto& [name, facts] : b) a[name] = facts;
  return a;
}

std::wstring Differences(const FolderContents& expected, const FolderContents& actual) {
  std::wstring report;
  for (const auto& [name, facts] : expected) {
    auto found = actual.find(name);
    if (found == actual.end()) {
      report += L"missing " + name + L"\n";
    } else if (!(found->second == facts)) {
      report += L"different " + name + L" (" + std::to_wstring(found->second.size) +
                L" bytes, expected " + std::to_wstring(facts.size) + L")\n";
    }
  }
  for (const auto& entry : actual) {
    if (expected.count(entry.first) == 0) report += L"unexpected " + entry.first + L"\n";
  }
  return report;
}

}  // namespace vyn::e2e
