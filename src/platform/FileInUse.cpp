#include "platform/FileInUse.h"

#include <cerrno>
#include <utility>

namespace vyn {

namespace {

std::string InUseWhat(const std::filesystem::path& path) {
  return "\"" + path.u8string() + "\" is in use by another program";
}

// "A (a.exe)", "A (a.exe) and B", "A, B and C (c.exe)".
std::wstring HolderNames(const std::vector<FileHolder>& holders) {
  std::wstring text;
  for (std::size_t i = 0; i < holders.size(); ++i) {
    if (i != 0) text += i + 1 == holders.size() ? L" and " : L", ";
    const FileHolder& holder = holders[i];
    text += holder.name.empty() ? holder.program : holder.name;
    if (!holder.name.empty() && !holder.program.empty()) text += L" (" + holder.program + L")";
  }
  return text;
}

}  // namespace

FileInUseError::FileInUseError(std::filesystem::path path, std::vector<FileHolder> holders)
    : std::system_error(EACCES, std::generic_category(), InUseWhat(path)),
      path_(std::move(path)),
      holders_(std::move(holders)) {}

std::wstring FileInUseError::Sentence(const std::wstring& file) const {
  const std::wstring names = HolderNames(holders_);
  return file + L" is in use by " + (names.empty() ? L"another program" : names) +
         L". Close it and press Download again.";
}

ReadOnlyFileError::ReadOnlyFileError(std::filesystem::path path)
    : std::system_error(EACCES, std::generic_category(),
                        "\"" + path.u8string() + "\" is read-only"),
      path_(std::move(path)) {}

}  // namespace vyn
