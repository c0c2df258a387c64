#include "components/unpack/RefreshRecordFile.h"

#include <zlib.h>

#include <cstdlib>
#include <vector>

#include "components/files/AtomicFile.h"
#include "components/files/NativeFile.h"
#include "components/unpack/CheckedText.h"
#include "components/unpack/ZipErrors.h"
#include "components/unpack/ZipExtractionPlan.h"
#include "components/unpack/ZipReader.h"
#include "platform/Error.h"
#include "platform/PathText.h"
#include "platform/StagingNames.h"
#include "platform/Utf8.h"

namespace vyn {

namespace fs = std::filesystem;

// The record is UTF-8 text, one field a line, apart by tabs:
//   VYN-REFRESH 1
//   URL <url>
//   ETAG <etag>                  "-" for none, as below
//   LAST-MODIFIED <date>
//   SIZE <bytes of the archive>
//   F <bytes> <CRC-32, 8 hex digits> <name below the data folder>
//   END <records> <CRC-32 of every byte before this line, 8 hex digits>

namespace {

constexpr const char* kHeader = "VYN-REFRESH 1\n";
// A record is small (some 60 bytes a file); anything far larger is not one.
constexpr std::uint64_t kMostRecordBytes = 64u << 20;
constexpr std::size_t kReadPiece = 64 * 1024;

fs::path RecordPath(const std::wstring& archive) {
  return ToFsPath(FolderPart(archive) + std::wstring(staging_names::kWidePrefix) +
                  NamePart(archive) + std::wstring(staging_names::kRecordSuffix));
}

// A header's text as the record keeps it: none, or one without the record's separators.
std::string Field(const std::string& text) {
  if (text.empty() || text.find_first_of("\t\r\n") != std::string::npos) return "-";
  return text;
}

std::optional<std::uint64_t> Number(const std::string& text, int base) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, base);
  if (*end != '\0' || text[0] == '-' || text[0] == '+') return std::nullopt;
  return value;
}

// The files an archive puts into `folder`, as the unpacking places them.
std::vector<RecordedFile> FilesOf(const fs::path& archive, const fs::path& folder) {
  ZipReader reader(archive);
  const Plan plan = MakePlan(reader.Entries(), L"*.*", FullPathLength(folder));
  std::vector<RecordedFile> files;
  files.reserve(plan.files.size());
  for (const auto& [entry, relative] : plan.files) {
    std::wstring name;
    for (const auto& part : relative) {
      if (!name.empty()) name += L'\\';
      name += part.wstring();
    }
    files.push_back({name, entry->uncompressedSize, entry->crc32});
  }
  return files;
}

}  // namespace

std::string RefreshRecordText(const RefreshRecord& record) {
  std::string text = kHeader;
  text += "URL\t" + EncodeUtf8(record.url) + "\n";
  text += "ETAG\t" + Field(record.etag) + "\n";
  text += "LAST-MODIFIED\t" + Field(record.lastModified) + "\n";
  text += "SIZE\t" + std::to_string(record.size) + "\n";
  for (const RecordedFile& file : record.files) {
    text += "F\t" + std::to_string(file.size) + "\t" + Hex8(file.crc32) + "\t" +
            EncodeUtf8(file.name) + "\n";
  }
  return text + EndLine(text, 4 + record.files.size());
}

std::optional<RefreshRecord> ParseRefreshRecord(const std::string& text) {
  if (text.compare(0, std::string(kHeader).size(), kHeader) != 0) return std::nullopt;
  const std::size_t endLine = text.rfind("\nEND\t");
  if (endLine == std::string::npos) return std::nullopt;
  const std::string body = text.substr(0, endLine + 1);

  RefreshRecord record;
  std::size_t records = 0;
  std::size_t at = std::string(kHeader).size();
  while (at < body.size()) {
    const std::size_t newline = body.find('\n', at);
    const std::vector<std::string> fields = TabFields(body.substr(at, newline - at));
    at = newline + 1;
    ++records;
    const auto optional = [](const std::string& value) { return value == "-" ? "" : value; };
    if (fields.size() == 2 && fields[0] == "URL") {
      const auto url = DecodeUtf8(fields[1]);
      if (!url) return std::nullopt;
      record.url = *url;
    } else if (fields.size() == 2 && fields[0] == "ETAG") {
      record.etag = optional(fields[1]);
    } else if (fields.size() == 2 && fields[0] == "LAST-MODIFIED") {
      record.lastModified = optional(fields[1]);
    } else if (fields.size() == 2 && fields[0] == "SIZE") {
      const auto size = Number(fields[1], 10);
      if (!size) return std::nullopt;
      record.size = *size;
    } else if (fields.size() == 4 && fields[0] == "F") {
      const auto size = Number(fields[1], 10);
      const auto crc = fields[2].size() == 8 ? Number(fields[2], 16) : std::nullopt;
      const auto name = DecodeUtf8(fields[3]);
      if (!size || !crc || !name || name->empty()) return std::nullopt;
      record.files.push_back({*name, *size, static_cast<std::uint32_t>(*crc)});
    } else {
      return std::nullopt;
    }
  }
  if (text.substr(endLine + 1) != EndLine(body, records) || record.url.empty()) {
    return std::nullopt;
  }
  return record;
}

std::optional<RefreshRecord> RefreshRecordFile::Read(const std::wstring& archive) {
  try {
    NativeFile file(RecordPath(archive), NativeFile::Mode::kRead);
    const std::uint64_t size = file.Size();
    if (size > kMostRecordBytes) return std::nullopt;
    std::string text(static_cast<std::size_t>(size), '\0');
    if (file.ReadAt(0, text.data(), text.size()) != text.size()) return std::nullopt;
    return ParseRefreshRecord(text);
  } catch (const std::exception&) {
    return std::nullopt;  // missing or unreadable: a full refresh follows
  }
}

void RefreshRecordFile::Write(const std::wstring& archive, RefreshRecord record) {
  try {
    const fs::path path = ToFsPath(archive);
    record.size = fs::file_size(path);
    record.files = FilesOf(path, ToFsPath(FolderPart(archive)));
    const fs::path recordPath = RecordPath(archive);
    ReplaceFileContents(recordPath, RefreshRecordText(record));
    MarkHidden(recordPath);
  } catch (...) {
    throw CurrentError();
  }
}

void RefreshRecordFile::Remove(const std::wstring& archive) {
  try {
    RemoveFile(RecordPath(archive));
  } catch (...) {
    throw CurrentError();
  }
}

std::optional<std::wstring> RefreshRecordFile::FirstDifference(const std::wstring& archive,
                                                               const RefreshRecord& record,
                                                               UnpackObserver& observer) {
  const std::wstring folder = FolderPart(archive);
  std::uint64_t total = 0;
  for (const RecordedFile& file : record.files) total += file.size;
  std::uint64_t done = 0;
  std::vector<unsigned char> piece(kReadPiece);
  for (const RecordedFile& file : record.files) {
    const std::wstring named = L"\"" + file.name + L"\"";
    std::optional<NativeFile> data;
    try {
      data.emplace(ToFsPath(folder + file.name), NativeFile::Mode::kRead);
    } catch (const std::exception&) {
      return named + L" is missing";
    }
    try {
      if (data->Size() != file.size) return named + L" has another size";
      uLong crc = crc32(0, Z_NULL, 0);
      for (std::uint64_t at = 0; at < file.size;) {
        const std::size_t count = data->ReadAt(at, piece.data(), piece.size());
        if (count == 0) return named + L" has another size";
        crc = crc32(crc, piece.data(), static_cast<uInt>(count));
        at += count;
        done += count;
        if (!observer.Unpacked(done, total)) {
          throw Error(zip_errors::kCancelled, L"the check was cancelled");
        }
      }
      if (crc != file.crc32) return named + L" has other contents";
    } catch (const std::system_error&) {
      return named + L" cannot be read";
    }
  }
  return std::nullopt;
}

}  // namespace vyn
