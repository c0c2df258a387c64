#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

// The tests' file toolkit: scratch folders, whole files as bytes, and snapshots
// of folders with their differences. Portable; the Wine tests use it too.
namespace vyn::test {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& leaf = "");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder as the program spells it, with a trailing separator.
  std::wstring Text() const;
  // A name in the folder, spelled likewise.
  std::wstring operator/(const std::wstring& name) const { return Text() + name; }

 private:
  std::filesystem::path root_;
  std::filesystem::path path_;
};

// Deletes the folder with everything in it, read-only files included, and creates it again, empty.
bool FreshFolder(const std::filesystem::path& folder);

void WriteBytes(const std::filesystem::path& file, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& file);

// The names (UTF-8) of the files directly in a folder that begin with prefix.
std::set<std::string> FilesIn(const std::filesystem::path& folder, const std::string& prefix);

// Every file (path -> contents) and folder (path -> kFolder) below a folder,
// paths in generic UTF-8 form ("a/b.txt"); not the records of refreshes that a
// data folder holds (".vyn-*.state"), which their own tests check.
using FolderSnapshot = std::map<std::string, std::string>;
inline const std::string kFolder = "<folder>";
FolderSnapshot Snapshot(const std::filesystem::path& folder);
inline bool IsRefreshRecordName(const std::string& relative) {
  return relative.rfind(".vyn-", 0) == 0 && relative.find('/') == std::string::npos &&
         relative.size() > 11 && relative.compare(relative.size() - 6, 6, ".state") == 0;
}

// Readable differences between two snapshots, or between any two maps keyed like
// them ("missing x", "unexpected y", "different z", one a line); empty when equal.
template <typename Value>
std::string Differences(const std::map<std::string, Value>& expected,
                        const std::map<std::string, Value>& actual) {
  std::string report;
  for (const auto& [name, value] : expected) {
    auto found = actual.find(name);
    if (found == actual.end()) {
      report += "missing " + name + "\n";
    } else if (!(found->second == value)) {
      report += "different " + name + "\n";
    }
  }
  for (const auto& entry : actual) {
    if (expected.count(entry.first) == 0) report += "unexpected " + entry.first + "\n";
  }
  return report;
}

}  // namespace vyn::test
