#include "components/unpack/ZipReader.h"

#include <algorithm>
#include <system_error>

#include "components/unpack/ZipErrors.h"
#include "components/unpack/ZipNames.h"
#include "platform/Error.h"
#include "platform/PathText.h"

namespace vyn {

namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kDescriptorSignature = 0x08074b50;
constexpr std::uint16_t kZip64ExtraTag = 0x0001;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kZip64EndRecordSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
// Far beyond any data set; bounds the memory a forged directory can claim.
constexpr std::uint64_t kMaxEntries = 1000000;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDescriptor = 0x0008;
constexpr std::uint16_t kFlagUtf8 = 0x0800;

std::uint16_t Le16(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t Le32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(Le16(b, at)) | static_cast<std::uint32_t>(Le16(b, at + 2))
                                                       << 16;
}
std::uint64_t Le64(const std::string& b, std::size_t at) {
  return static_cast<std::uint64_t>(Le32(b, at)) | static_cast<std::uint64_t>(Le32(b, at + 4))
                                                       << 32;
}

[[noreturn]] void Damaged(const std::wstring& member, const wchar_t* problem) {
  throw ZipProblem{zip_errors::kDamaged, member, problem};
}

NativeFile OpenArchive(const std::filesystem::path& archive) {
  try {
    return NativeFile(archive, NativeFile::Mode::kRead);
  } catch (const std::exception& failure) {
    throw ZipProblem{zip_errors::kUnreadable, L"",
                     L"the archive cannot be opened: " + WidenFromUtf8(failure.what())};
  }
}

// The Zip64 extra field gives, in this order, each of these whose 32-bit field is all ones.
void ApplyZip64Extra(const std::string& extra, ZipEntry& entry, bool wantOffset) {
  std::size_t at = 0;
  while (at + 4 <= extra.size()) {
    const std::uint16_t tag = Le16(extra, at);
    const std::uint16_t size = Le16(extra, at + 2);
    at += 4;
    if (size > extra.size() - at) break;
    if (tag == kZip64ExtraTag) {
      std::size_t field = at;
      const std::size_t end = at + size;
      const auto take = [&](std::uint64_t& value) {
        if (value != 0xFFFFFFFFu) return;
        if (end - field < 8) Damaged(entry.name, L"the Zip64 extra field is too short");
        value = Le64(extra, field);
        field += 8;
        entry.zip64 = true;
      };
      take(entry.uncompressedSize);
      take(entry.compressedSize);
      if (wantOffset) take(entry.localHeaderOffset);
      return;
    }
    at += size;
  }
  if (entry.uncompressedSize == 0xFFFFFFFFu || entry.compressedSize == 0xFFFFFFFFu ||
      (wantOffset && entry.localHeaderOffset == 0xFFFFFFFFu)) {
    Damaged(entry.name, L"a size or offset needs a Zip64 extra field that is missing");
  }
}

}  // namespace

bool ZipEntry::IsDirectory() const {
  return !name.empty() && IsPathSeparator(name.back());
}

unsigned char* ArchiveWindow::Bytes(std::uint64_t offset, std::size_t count) {
  if (offset < start_ || offset - start_ > length_ || count > length_ - (offset - start_)) {
    bytes_.resize(kSize);
    length_ = 0;  // nothing held while the read may fail
    length_ = file_.ReadAt(offset, bytes_.data(), kSize);
    start_ = offset;
    if (count > length_) return nullptr;
  }
  return bytes_.data() + (offset - start_);
}

bool ZipEntry::IsSymbolicLink() const {
  return ((externalAttributes >> 16) & 0xF000) == 0xA000;
}

ZipReader::ZipReader(const std::filesystem::path& archive) : file_(OpenArchive(archive)) {
  try {
    size_ = file_.Size();
  } catch (const std::exception& failure) {
    throw ZipProblem{zip_errors::kUnreadable, L"",
                     L"the archive cannot be read: " + WidenFromUtf8(failure.what())};
  }
  const EndRecord end = ReadEndRecord();
  ReadCentralDirectory(end);

  // Every member's bytes, from local header to the end of its data descriptor,
  // must lie before the directory and apart from every other member's.
  struct Span {
    std::uint64_t begin, end;
    std::size_t index;
  };
  std::vector<Span> spans;
  spans.reserve(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    spans.push_back(
        {entries_[i].localHeaderOffset, CheckLocalHeader(entries_[i], end.directoryOffset), i});
  }
  std::sort(spans.begin(), spans.end(),
            [](const Span& a, const Span& b) { return a.begin < b.begin; });
  for (std::size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].begin < spans[i - 1].end) {
      Damaged(entries_[spans[i].index].name, L"the member overlaps another member");
    }
  }
}

std::string ZipReader::ReadExactly(std::uint64_t offset, std::size_t count,
                                   const std::wstring& member) {
  if (offset > size_ || count > size_ - offset) Damaged(member, L"the archive ends too early");
  std::string bytes(count, '\0');
  try {
    if (count <= ArchiveWindow::kSize) {
      const unsigned char* read = window_.Bytes(offset, count);
      if (!read) Damaged(member, L"the archive ends too early");
      bytes.assign(reinterpret_cast<const char*>(read), count);
    } else if (file_.ReadAt(offset, bytes.data(), count) != count) {
      Damaged(member, L"the archive ends too early");
    }
  } catch (const std::system_error& failure) {
    throw ZipProblem{zip_errors::kUnreadable, member,
                     L"the archive cannot be read: " + WidenFromUtf8(failure.what())};
  }
  return bytes;
}

ZipReader::EndRecord ZipReader::ReadEndRecord() {
  if (size_ < kEndRecordSize) Damaged(L"", L"the file is too short to be a zip archive");
  const std::uint64_t tailSize = std::min<std::uint64_t>(size_, kEndRecordSize + kMaxCommentSize);
  const std::string tail = ReadExactly(size_ - tailSize, static_cast<std::size_t>(tailSize), L"");
  // The end record is the one whose comment reaches exactly to the end of the file;
  // a comment may hide records of its own, which lie after it. Without such a record
  // (bytes follow the comment), the last record whose comment fits.
  const auto fits = [&tail](std::size_t at) {
    return Le32(tail, at) == kEndSignature &&
           at + kEndRecordSize + Le16(tail, at + 20) <= tail.size();
  };
  const auto endsTheFile = [&tail, &fits](std::size_t at) {
    return fits(at) && at + kEndRecordSize + Le16(tail, at + 20) == tail.size();
  };
  const std::size_t last = tail.size() - kEndRecordSize;
  std::size_t at = 0;
  while (at <= last && !endsTheFile(at)) ++at;
  if (at > last) {
    at = last;
    while (at > 0 && !fits(at)) --at;
    if (!fits(at))
      Damaged(L"", L"no end of central directory record: not a zip archive, or cut off");
  }

  const std::uint64_t endOffset = size_ - tailSize + at;
  const std::uint16_t disk = Le16(tail, at + 4);
  const std::uint16_t directoryDisk = Le16(tail, at + 6);
  const std::uint16_t entriesHere = Le16(tail, at + 8);
  EndRecord end{Le16(tail, at + 10), Le32(tail, at + 12), Le32(tail, at + 16), endOffset};

  if (endOffset >= kZip64LocatorSize) {
    const std::string locator = ReadExactly(endOffset - kZip64LocatorSize, kZip64LocatorSize, L"");
    if (Le32(locator, 0) == kZip64LocatorSignature) {
      const std::uint64_t recordOffset = Le64(locator, 8);
      if (Le32(locator, 4) != 0 || Le32(locator, 16) > 1) {
        throw ZipProblem{zip_errors::kUnsupportedMember, L"", L"split archives are not supported"};
      }
      if (recordOffset > endOffset - kZip64LocatorSize ||
          endOffset - kZip64LocatorSize - recordOffset < kZip64EndRecordSize) {
        Damaged(L"", L"the Zip64 end of central directory record lies outside the archive");
      }
      const std::string record = ReadExactly(recordOffset, kZip64EndRecordSize, L"");
      if (Le32(record, 0) != kZip64EndSignature) {
        Damaged(L"", L"the Zip64 end of central directory record is missing");
      }
      if (Le32(record, 16) != 0 || Le32(record, 20) != 0 || Le64(record, 24) != Le64(record, 32)) {
        throw ZipProblem{zip_errors::kUnsupportedMember, L"", L"split archives are not supported"};
      }
      return {Le64(record, 32), Le64(record, 40), Le64(record, 48), recordOffset};
    }
  }
  if (disk != 0 || directoryDisk != 0 || entriesHere != end.entries) {
    throw ZipProblem{zip_errors::kUnsupportedMember, L"", L"split archives are not supported"};
  }
  return end;
}

void ZipReader::ReadCentralDirectory(const EndRecord& end) {
  if (end.directoryOffset > end.directoryLimit ||
      end.directorySize != end.directoryLimit - end.directoryOffset) {
    Damaged(L"", L"the central directory does not end where the end record begins");
  }
  if (end.entries > kMaxEntries || end.entries > end.directorySize / kCentralHeaderSize) {
    Damaged(L"", L"the central directory is too small for the number of members it declares");
  }
  std::uint64_t at = end.directoryOffset;
  for (std::uint64_t i = 0; i < end.entries; ++i) {
    const std::string header = ReadExactly(at, kCentralHeaderSize, L"");
    if (Le32(header, 0) != kCentralHeaderSignature) {
      Damaged(L"", L"a central directory entry is damaged");
    }
    const std::uint16_t nameSize = Le16(header, 28);
    const std::uint16_t extraSize = Le16(header, 30);
    const std::uint16_t commentSize = Le16(header, 32);
    const std::uint64_t entryEnd = at + kCentralHeaderSize + nameSize + extraSize + commentSize;
    if (entryEnd > end.directoryLimit) Damaged(L"", L"a central directory entry runs past its end");

    ZipEntry entry;
    entry.flags = Le16(header, 8);
    entry.name = DecodeMemberName(ReadExactly(at + kCentralHeaderSize, nameSize, L""),
                                  (entry.flags & kFlagUtf8) != 0);
    entry.versionMadeBy = Le16(header, 4);
    entry.method = Le16(header, 10);
    entry.crc32 = Le32(header, 16);
    entry.compressedSize = Le32(header, 20);
    entry.uncompressedSize = Le32(header, 24);
    const std::uint16_t disk = Le16(header, 34);
    entry.externalAttributes = Le32(header, 38);
    entry.localHeaderOffset = Le32(header, 42);
    ApplyZip64Extra(ReadExactly(at + kCentralHeaderSize + nameSize, extraSize, entry.name), entry,
                    true);
    if (disk != 0 && disk != 0xFFFF) {
      throw ZipProblem{zip_errors::kUnsupportedMember, entry.name,
                       L"split archives are not supported"};
    }
    entries_.push_back(std::move(entry));
    at = entryEnd;
  }
  if (at != end.directoryLimit) Damaged(L"", L"the central directory holds more than it declares");
}

std::uint64_t ZipReader::CheckLocalHeader(ZipEntry& entry, std::uint64_t limit) {
  const std::wstring& name = entry.name;
  if (entry.localHeaderOffset > limit || limit - entry.localHeaderOffset < kLocalHeaderSize) {
    Damaged(name, L"the local header lies outside the archive's data");
  }
  const std::string header = ReadExactly(entry.localHeaderOffset, kLocalHeaderSize, name);
  if (Le32(header, 0) != kLocalHeaderSignature) Damaged(name, L"the local header is missing");
  const std::uint16_t nameSize = Le16(header, 26);
  const std::uint16_t extraSize = Le16(header, 28);
  const std::uint16_t flags = Le16(header, 6);
  if (Le16(header, 8) != entry.method ||
      (flags & kFlagDescriptor) != (entry.flags & kFlagDescriptor)) {
    Damaged(name, L"the local header disagrees with the central directory");
  }
  if ((entry.flags & kFlagEncrypted) != 0 || (flags & kFlagEncrypted) != 0) {
    throw ZipProblem{zip_errors::kUnsupportedMember, name, L"encrypted members are not supported"};
  }
  const std::string localName =
      ReadExactly(entry.localHeaderOffset + kLocalHeaderSize, nameSize, name);
  if (DecodeMemberName(localName, (flags & kFlagUtf8) != 0) != name) {
    Damaged(name, L"the local header names another member");
  }
  const std::string extra =
      ReadExactly(entry.localHeaderOffset + kLocalHeaderSize + nameSize, extraSize, name);

  ZipEntry local;
  local.name = name;
  local.crc32 = Le32(header, 14);
  local.compressedSize = Le32(header, 18);
  local.uncompressedSize = Le32(header, 22);
  const bool descriptor = (entry.flags & kFlagDescriptor) != 0;
  if (!descriptor) {
    ApplyZip64Extra(extra, local, false);
    if (local.crc32 != entry.crc32 || local.compressedSize != entry.compressedSize ||
        local.uncompressedSize != entry.uncompressedSize) {
      Damaged(name, L"the local header disagrees with the central directory");
    }
  }

  entry.dataOffset = entry.localHeaderOffset + kLocalHeaderSize + nameSize + extraSize;
  if (entry.dataOffset > limit || entry.compressedSize > limit - entry.dataOffset) {
    Damaged(name, L"the member's data run past the end of the archive's data");
  }
  std::uint64_t end = entry.dataOffset + entry.compressedSize;
  if (descriptor) {
    // Optional signature, CRC-32, then both sizes: 8 bytes each for Zip64 members.
    const bool wide =
        entry.zip64 || local.compressedSize == 0xFFFFFFFFu || local.uncompressedSize == 0xFFFFFFFFu;
    const std::size_t available =
        static_cast<std::size_t>(std::min<std::uint64_t>(limit - end, 24));
    const std::string bytes = ReadExactly(end, available, name);
    std::size_t at = available >= 4 && Le32(bytes, 0) == kDescriptorSignature ? 4 : 0;
    const std::size_t needed = at + 4 + (wide ? 16 : 8);
    if (available < needed) Damaged(name, L"the data descriptor is cut off");
    const std::uint32_t crc = Le32(bytes, at);
    const std::uint64_t packed = wide ? Le64(bytes, at + 4) : Le32(bytes, at + 4);
    const std::uint64_t unpacked = wide ? Le64(bytes, at + 12) : Le32(bytes, at + 8);
    if (crc != entry.crc32 || packed != entry.compressedSize ||
        unpacked != entry.uncompressedSize) {
      Damaged(name, L"the data descriptor disagrees with the central directory");
    }
    end += needed;
  }
  return end;
}

}  // namespace vyn
