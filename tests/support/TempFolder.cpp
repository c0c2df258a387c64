#include "TempFolder.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace vyn::test {

namespace fs = std::filesystem;

namespace {

// Windows refuses to delete a read-only file; giving its owner write access clears the attribute.
void RemoveAll(const fs::path& folder, std::error_code& error) {
  for (fs::recursive_directory_iterator item(folder, error), end; !error && item != end;
       item.increment(error)) {
    std::error_code ignored;
    fs::permissions(item->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  error.clear();
  fs::remove_all(folder, error);
}

}  // namespace

TempFolder::TempFolder(const std::string& leaf) {
  std::random_device device;
  root_ = fs::temp_directory_path() / ("vyn-components-" + std::to_string(device()));
  path_ = leaf.empty() ? root_ : root_ / fs::u8path(leaf);
  fs::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  RemoveAll(root_, ignored);
}

std::wstring TempFolder::Text() const {
  std::wstring text = path_.wstring();
  text += static_cast<wchar_t>(fs::path::preferred_separator);
  return text;
}

bool FreshFolder(const fs::path& folder) {
  std::error_code error;
  RemoveAll(folder, error);
  if (error) return false;
  return fs::create_directories(folder, error) && !error;
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.u8string());
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.u8string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::set<std::string> FilesIn(const fs::path& folder, const std::string& prefix) {
  std::set<std::string> names;
  std::error_code error;
  for (fs::directory_iterator item(folder, error), end; !error && item != end;
       item.increment(error)) {
    std::string name = item->path().filename().u8string();
    std::error_code ignored;
    if (!item->is_directory(ignored) && name.rfind(prefix, 0) == 0) names.insert(name);
  }
  return names;
}

FolderSnapshot Snapshot(const fs::path& folder) {
  FolderSnapshot state;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    const std::string relative = item.path().lexically_relative(folder).generic_u8string();
    if (IsRefreshRecordName(relative)) continue;
    state[relative] = item.is_directory() ? kFolder : ReadBytes(item.path());
  }
  return state;
}

}  // namespace vyn::test
