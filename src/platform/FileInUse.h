#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace vyn {

// A program that holds a file open, as the system names it.
struct FileHolder {
  std::wstring name;     // "VYN Veltrix"
  std::wstring program;  // "VYN Veltrix.exe"; empty when the system does not tell
};

// A file that another program still held open once the retries were over. It is a
// permission failure, so code that knows nothing of it still reports one.
class FileInUseError : public std::system_error {
 public:
  FileInUseError(std::filesystem::path path, std::vector<FileHolder> holders);

  const std::filesystem::path& Path() const { return path_; }
  const std::vector<FileHolder>& Holders() const { return holders_; }
  // What the user reads: `file` as the user knows it ("\"listings.csv\" in the data
  // folder"), who holds it, and what to do.
  std::wstring Sentence(const std::wstring& file) const;

 private:
  std::filesystem::path path_;
  std::vector<FileHolder> holders_;
};

// A read-only file that the program will not override.
class ReadOnlyFileError : public std::system_error {
 public:
  explicit ReadOnlyFileError(std::filesystem::path path);
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace vyn
