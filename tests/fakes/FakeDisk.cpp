#include "FakeDisk.h"

#include <cstdio>
#include <cstring>
#include <cwctype>

#include "Latin1Codec.h"
#include "platform/FileErrors.h"

namespace vyn::fakes {
namespace {

using file_errors::FileError;

// The ANSI names the temporary-file calls take and give, in the fakes' code page.
std::wstring Widen(const std::string& s) {
  return Latin1Codec().FromAnsi(s);
}

std::string Narrow(const std::wstring& w) {
  return Latin1Codec().ToAnsi(w);
}

std::wstring Volume(const std::wstring& key) {
  return key.substr(0, key.find(L'\\'));
}

}  // namespace

class FakeDisk::OpenFile : public BinaryFile {
 public:
  OpenFile(FakeDisk& disk, std::wstring key) : disk_(disk), key_(std::move(key)) {
    ++disk_.openFiles_;
  }
  ~OpenFile() override { Close(); }

  void Put(std::int64_t position, const std::uint8_t* data, std::size_t count) override {
    if (!open_) throw MakeError(file_errors::kPutOnClosedFile);
    if (position < 1) throw MakeError(file_errors::kPutBeforeFirstByte);
    if (disk_.diskFullAfterBytes &&
        disk_.bytesPut_ + static_cast<std::int64_t>(count) > *disk_.diskFullAfterBytes) {
      throw file_errors::FileError(file_errors::kDiskFull);
    }
    auto it = disk_.files_.find(key_);
    if (it == disk_.files_.end()) throw MakeError(errors::kPathFileAccess);
    std::string& bytes = it->second.bytes;
    auto offset = static_cast<std::size_t>(position - 1);
    if (bytes.size() < offset + count) bytes.resize(offset + count, '\0');
    if (count) std::memcpy(&bytes[offset], data, count);
    disk_.bytesPut_ += static_cast<std::int64_t>(count);
  }

  void Close() override {
    if (open_) {
      open_ = false;
      --disk_.openFiles_;
    }
  }
  bool IsOpen() const override { return open_; }

 private:
  FakeDisk& disk_;
  std::wstring key_;
  bool open_ = true;
};

FakeDisk::FakeDisk() {
  AddFolder(Widen(tempFolder));
}

std::wstring FakeDisk::Key(const std::wstring& path) {
  std::wstring key;
  for (wchar_t c : path) key += c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c));
  while (key.size() > 3 && key.back() == L'\\') key.pop_back();
  return key;
}

std::wstring FakeDisk::Parent(const std::wstring& key) {
  auto slash = key.rfind(L'\\');
  if (slash == std::wstring::npos) return L"";
  return key.substr(0, slash == 2 ? 3 : slash);  // "c:\x" -> "c:\"
}

bool FakeDisk::ParentExists(const std::wstring& path) const {
  return folders_.count(Parent(Key(path))) > 0;
}

void FakeDisk::AddFolder(const std::wstring& path) {
  std::wstring key = Key(path);
  while (!key.empty() && folders_.insert(key).second) {
    std::wstring parent = Parent(key);
    if (parent == key) break;
    key = parent;
  }
}

void FakeDisk::AddFile(const std::wstring& path, const std::string& bytes, bool readOnly) {
  AddFolder(Parent(Key(path)));
  files_[Key(path)] = File{path, bytes, readOnly};
}

bool FakeDisk::HasFile(const std::wstring& path) const {
  return files_.count(Key(path)) > 0;
}

std::optional<std::string> FakeDisk::Contents(const std::wstring& path) const {
  auto it = files_.find(Key(path));
  if (it == files_.end()) return std::nullopt;
  return it->second.bytes;
}

bool FakeDisk::IsReadOnly(const std::wstring& path) const {
  auto it = files_.find(Key(path));
  return it != files_.end() && it->second.readOnly;
}

std::vector<std::wstring> FakeDisk::FilesIn(const std::wstring& folder,
                                            const std::wstring& prefix) const {
  std::vector<std::wstring> found;
  std::wstring folderKey = Key(folder);
  std::wstring prefixKey = Key(prefix);
  for (const auto& [key, file] : files_) {
    if (Parent(key) != folderKey) continue;
    std::wstring name = key.substr(key.rfind(L'\\') + 1);
    if (name.compare(0, prefixKey.size(), prefixKey) == 0) found.push_back(file.path);
  }
  return found;
}

bool FakeDisk::FileExists(const std::wstring& path) {
  return HasFile(path);
}

bool FakeDisk::FolderExists(const std::wstring& path) {
  return folders_.count(Key(path)) > 0;
}

void FakeDisk::DeleteFile(const std::wstring& path, bool force) {
  auto it = files_.find(Key(path));
  if (it == files_.end()) {
    throw FileError(ParentExists(path) ? file_errors::kFileNotFound : file_errors::kPathNotFound);
  }
  if (it->second.readOnly && !force) throw FileError(file_errors::kAccessDenied);
  if (held.count(Key(path))) throw FileError(file_errors::kSharingViolation);
  files_.erase(it);
}

void FakeDisk::MoveFile(const std::wstring& source, const std::wstring& destination) {
  auto it = files_.find(Key(source));
  if (it == files_.end()) throw FileError(file_errors::kFileNotFound);
  if (HasFile(destination)) throw FileError(file_errors::kAlreadyExists);
  if (!ParentExists(destination)) throw FileError(file_errors::kPathNotFound);
  File moved = it->second;
  moved.path = destination;
  files_.erase(it);
  files_[Key(destination)] = moved;
}

void FakeDisk::ReplaceFile(const std::wstring& source, const std::wstring& destination) {
  auto it = files_.find(Key(source));
  if (it == files_.end()) throw FileError(file_errors::kFileNotFound);
  if (!ParentExists(destination)) throw FileError(file_errors::kPathNotFound);
  if (Volume(Key(source)) != Volume(Key(destination))) {
    throw FileError(file_errors::kNotSameDevice);
  }
  if (failReplace) throw FileError(file_errors::kSharingViolation);
  File moved = it->second;
  moved.path = destination;
  moved.readOnly = false;
  files_.erase(it);
  files_[Key(destination)] = moved;
}

std::unique_ptr<BinaryFile> FakeDisk::OpenForBinary(const std::wstring& path) {
  std::wstring key = Key(path);
  if (failOpen.count(key)) throw MakeError(errors::kPathFileAccess);
  if (!ParentExists(path)) throw FileError(file_errors::kPathNotFound);
  auto it = files_.find(key);
  if (it != files_.end() && it->second.readOnly) throw FileError(file_errors::kAccessDenied);
  if (it == files_.end()) files_[key] = File{path, "", false};
  return std::make_unique<OpenFile>(*this, key);
}

// Windows has one delete behind both names: a read-only file gives 70 to either.
void FakeDisk::Kill(const std::wstring& path) {
  DeleteFile(path, false);
}

std::uint32_t FakeDisk::GetTempPathA(std::uint32_t bufferLength, char* buffer) {
  nameFailure_ = errors::kPathFileAccess;
  auto length = static_cast<std::uint32_t>(tempFolder.size());
  if (length + 1 > bufferLength) return length + 1;
  std::memcpy(buffer, tempFolder.c_str(), length + 1);
  return length;
}

std::uint32_t FakeDisk::GetTempFileNameA(const char* pathName, const char* prefix,
                                         std::uint32_t unique, char* tempFileName) {
  std::wstring folder = Widen(pathName);
  auto failure = [this](std::int32_t number) {
    nameFailure_ = number;
    return 0u;
  };
  nameFailure_ = errors::kPathFileAccess;
  if (failTempFileName) return failure(errors::kPathFileAccess);
  if (failNameIn.count(Key(folder))) return failure(failNameIn.at(Key(folder)));
  if (!FolderExists(folder))
    return failure(file_errors::ForSystemError(file_errors::kDirectory).number);
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  std::string head(prefix, strnlen(prefix, 3));
  std::uint32_t number = unique;
  std::wstring name;
  do {
    if (unique == 0) number = ++nextUnique_ & 0xFFFF;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(number));
    name = folder + Widen(head) + Widen(hex) + L".tmp";
  } while (unique == 0 && HasFile(name));
  if (name.size() + 1 > 260) return failure(errors::kPathFileAccess);
  if (unique == 0) files_[Key(name)] = File{name, "", false};
  std::string bytes = Narrow(name);
  std::memcpy(tempFileName, bytes.c_str(), bytes.size() + 1);
  return number;
}

}  // namespace vyn::fakes
