#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vyn::test {

// One member of a test archive. The defaults give a plain deflated file.
struct ZipTestMember {
  std::string name;  // bytes as stored
  std::string data;  // unpacked contents
  bool deflate = true;
  int level = 9;                     // zlib's compression level when deflated
  bool dataDescriptor = false;       // sizes and CRC after the data (flag bit 3)
  bool zip64 = false;                // sizes and offset in Zip64 extra fields
  bool utf8Name = false;             // flag bit 11
  std::uint16_t versionMadeBy = 20;  // upper byte 3 = Unix
  std::uint32_t externalAttributes = 0;
  std::uint16_t method = 0xFFFF;           // overrides the method field when set
  std::optional<std::uint32_t> storedCrc;  // a wrong CRC to record
  std::optional<std::string> localName;    // a different name in the local header
  std::optional<std::string> packed;       // stored as the member's packed bytes instead
};

// A plain file member, deflated unless told otherwise.
inline ZipTestMember Member(std::string name, std::string data, bool deflate = true) {
  ZipTestMember member;
  member.name = std::move(name);
  member.data = std::move(data);
  member.deflate = deflate;
  return member;
}

// Builds zip archives in memory with zlib, including malformed ones.
class ZipBuilder {
 public:
  ZipBuilder& Add(ZipTestMember member);
  // A directory entry ("name/").
  ZipBuilder& AddFolder(const std::string& name);
  // A central directory entry only, pointing at `localOffset` (to forge overlaps).
  ZipBuilder& AddDirectoryOnly(ZipTestMember member, std::uint64_t localOffset);
  // Writes the Zip64 end of central directory record and locator too.
  ZipBuilder& UseZip64End();
  // The archive's comment, after the end record.
  ZipBuilder& Comment(std::string comment);
  // The end record of an archive without members, to be placed at `offset` of the
  // file (a comment may hide one), followed by `commentSize` bytes of comment.
  static std::string EmptyEndRecord(std::uint64_t offset, std::uint16_t commentSize);

  std::string Build() const;

  // The bytes of a member's local header and data, as Build writes them.
  static std::string LocalRecord(const ZipTestMember& member);
  static std::string Deflate(const std::string& data, int level = 9);
  static std::uint32_t Crc(const std::string& data);

 private:
  struct Item {
    ZipTestMember member;
    std::optional<std::uint64_t> localOffset;  // set for directory-only entries
  };
  std::vector<Item> items_;
  bool zip64End_ = false;
  std::string comment_;
};

}  // namespace vyn::test
