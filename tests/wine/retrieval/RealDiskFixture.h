#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vyn::test {

// A fresh folder under the user's temporary folder for one test, removed with
// everything in it afterwards.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& Path() const { return path_; }  // ends in "\"

 private:
  std::wstring path_;
};

std::wstring TempFolder();
// Names in folder beginning with prefix.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& prefix);
bool ReadWholeFile(const std::wstring& path, std::string& bytes);
void WriteWholeFile(const std::wstring& path, const std::string& bytes);

}  // namespace vyn::test
