#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace vyn::testing {

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

 private:
  std::filesystem::path root_;
  std::filesystem::path path_;
};

void WriteBytes(const std::filesystem::path& file, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& file);

// Every file (path -> contents) and folder (path -> "<folder>") below `folder`,
// paths in generic UTF-8 form: compares the state of a folder before and after.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder);

}  // namespace vyn::testing
