#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

#include "components/files/NativeFile.h"

namespace vyn {

// One member as the central directory describes it, checked against its local header.
struct ZipEntry {
  std::wstring name;  // decoded, as stored (either slash style)
  std::uint16_t versionMadeBy = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t externalAttributes = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t uncompressedSize = 0;
  std::uint64_t localHeaderOffset = 0;
  std::uint64_t dataOffset = 0;  // first byte of the member's data
  bool zip64 = false;            // sizes came from a Zip64 extra field

  bool IsDirectory() const;
  // Unix file type "symbolic link" in the upper half of the external attributes.
  bool IsSymbolicLink() const;
};

// Reads a zip archive: stored (0) and deflated (8) members, data descriptors,
// Zip64 sizes and offsets. Trusts no declared size for memory: the directory is
// read entry by entry, and member data are streamed through a fixed buffer.
// Every failure is thrown as ZipProblem.
// The archive's bytes, read ahead in pieces of 64 KiB: the directory, the local
// headers and small members are read a piece at a time, not a field at a time.
class ArchiveWindow {
 public:
  static constexpr std::size_t kSize = 64 * 1024;

  explicit ArchiveWindow(NativeFile& file) : file_(file) {}
  // Bytes [offset, offset + count) of the file, count <= kSize, valid until the
  // next call; null when the file ends before them. Throws std::system_error
  // when the file cannot be read.
  unsigned char* Bytes(std::uint64_t offset, std::size_t count);

 private:
  NativeFile& file_;
  std::vector<unsigned char> bytes_;
  std::uint64_t start_ = 0;
  std::size_t length_ = 0;
};

// One inflate state for all the members of an archive, reset for each.
class RawInflater {
 public:
  RawInflater();  // raw deflate data, no zlib header
  ~RawInflater();
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;
  // The state for a new member.
  z_stream& Fresh();

 private:
  z_stream stream_{};
};

class ZipReader {
 public:
  using Sink = std::function<void(const unsigned char* bytes, std::size_t count)>;

  // Reads and checks the whole structure: end records, central directory, every
  // local header, and that no two members' bytes overlap.
  explicit ZipReader(const std::filesystem::path& archive);
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;
  ~ZipReader() = default;

  const std::vector<ZipEntry>& Entries() const { return entries_; }

  // Passes the member's unpacked bytes to `sink` in pieces, checking method, sizes,
  // the end of the compressed data and the CRC-32 as it goes. No more bytes than the
  // declared size ever reach the sink.
  void Unpack(const ZipEntry& entry, const Sink& sink);

 private:
  struct EndRecord {
    std::uint64_t entries;
    std::uint64_t directorySize;
    std::uint64_t directoryOffset;
    std::uint64_t directoryLimit;  // where the end records begin
  };
  EndRecord ReadEndRecord();
  void ReadCentralDirectory(const EndRecord& end);
  // Returns the offset just past the member's data and data descriptor.
  std::uint64_t CheckLocalHeader(ZipEntry& entry, std::uint64_t limit);
  std::string ReadExactly(std::uint64_t offset, std::size_t count, const std::wstring& member);
  void UnpackStored(const ZipEntry& entry, const Sink& sink);
  void UnpackDeflated(const ZipEntry& entry, const Sink& sink);

  NativeFile file_;
  std::uint64_t size_ = 0;
  std::vector<ZipEntry> entries_;
  ArchiveWindow window_{file_};
  // Kept from member to member: an archive of many small members would otherwise
  // spend most of its time making and clearing them.
  std::vector<unsigned char> unpacked_;
  std::unique_ptr<RawInflater> inflater_;
};

}  // namespace vyn
