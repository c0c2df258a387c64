#include "ZipBuilder.h"

#include <zlib.h>

#include <stdexcept>
#include <utility>

namespace vyn::test {

namespace {

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put64(std::string& out, std::uint64_t v) {
  Put32(out, static_cast<std::uint32_t>(v));
  Put32(out, static_cast<std::uint32_t>(v >> 32));
}

struct Packed {
  std::string bytes;
  std::uint16_t method;
  std::uint32_t crc;
  std::uint16_t flags;
};

Packed Pack(const ZipTestMember& m) {
  Packed p;
  p.bytes = m.packed ? *m.packed : m.deflate ? ZipBuilder::Deflate(m.data, m.level) : m.data;
  p.method = m.method != 0xFFFF ? m.method : (m.deflate ? 8 : 0);
  p.crc = m.storedCrc ? *m.storedCrc : ZipBuilder::Crc(m.data);
  p.flags = static_cast<std::uint16_t>((m.dataDescriptor ? 0x0008 : 0) | (m.utf8Name ? 0x0800 : 0));
  return p;
}

}  // namespace

std::string ZipBuilder::Deflate(const std::string& data, int level) {
  z_stream s{};
  if (deflateInit2(&s, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&s, static_cast<uLong>(data.size())), '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

std::uint32_t ZipBuilder::Crc(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string ZipBuilder::LocalRecord(const ZipTestMember& m) {
  const Packed p = Pack(m);
  const std::string& name = m.localName ? *m.localName : m.name;
  std::string extra;
  if (m.zip64) {
    Put16(extra, 0x0001);
    Put16(extra, 16);
    Put64(extra, m.data.size());
    Put64(extra, p.bytes.size());
  }
  std::string out;
  Put32(out, 0x04034b50);
  Put16(out, m.zip64 ? 45 : 20);
  Put16(out, p.flags);
  Put16(out, p.method);
  Put32(out, 0);  // time and date
  const bool descriptor = m.dataDescriptor;
  Put32(out, descriptor ? 0 : p.crc);
  Put32(out, descriptor ? 0 : (m.zip64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(p.bytes.size())));
  Put32(out, descriptor ? 0 : (m.zip64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(m.data.size())));
  Put16(out, static_cast<std::uint32_t>(name.size()));
  Put16(out, static_cast<std::uint32_t>(extra.size()));
  out += name + extra + p.bytes;
  if (descriptor) {
    Put32(out, 0x08074b50);
    Put32(out, p.crc);
    if (m.zip64) {
      Put64(out, p.bytes.size());
      Put64(out, m.data.size());
    } else {
      Put32(out, static_cast<std::uint32_t>(p.bytes.size()));
      Put32(out, static_cast<std::uint32_t>(m.data.size()));
    }
  }
  return out;
}

ZipBuilder& ZipBuilder::Add(ZipTestMember member) {
  items_.push_back({std::move(member), std::nullopt});
  return *this;
}

ZipBuilder& ZipBuilder::AddFolder(const std::string& name) {
  ZipTestMember folder;
  folder.name = name;
  folder.deflate = false;
  folder.externalAttributes = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
  return Add(folder);
}

ZipBuilder& ZipBuilder::AddDirectoryOnly(ZipTestMember member, std::uint64_t localOffset) {
  items_.push_back({std::move(member), localOffset});
  return *this;
}

ZipBuilder& ZipBuilder::UseZip64End() {
  zip64End_ = true;
  return *this;
}

ZipBuilder& ZipBuilder::Comment(std::string comment) {
  comment_ = std::move(comment);
  return *this;
}

std::string ZipBuilder::EmptyEndRecord(std::uint64_t offset, std::uint16_t commentSize) {
  std::string out;
  Put32(out, 0x06054b50);
  out.append(12, '\0');                            // disks, member counts, directory size
  Put32(out, static_cast<std::uint32_t>(offset));  // the empty directory ends here
  Put16(out, commentSize);
  return out;
}

std::string ZipBuilder::Build() const {
  std::string out;
  std::string directory;
  for (const Item& item : items_) {
    const ZipTestMember& m = item.member;
    const std::uint64_t offset = item.localOffset ? *item.localOffset : out.size();
    if (!item.localOffset) out += LocalRecord(m);
    const Packed p = Pack(m);
    std::string extra;
    if (m.zip64) {
      Put16(extra, 0x0001);
      Put16(extra, 24);
      Put64(extra, m.data.size());
      Put64(extra, p.bytes.size());
      Put64(extra, offset);
    }
    Put32(directory, 0x02014b50);
    Put16(directory, m.versionMadeBy);
    Put16(directory, m.zip64 ? 45 : 20);
    Put16(directory, p.flags);
    Put16(directory, p.method);
    Put32(directory, 0);
    Put32(directory, p.crc);
    Put32(directory, m.zip64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(p.bytes.size()));
    Put32(directory, m.zip64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(m.data.size()));
    Put16(directory, static_cast<std::uint32_t>(m.name.size()));
    Put16(directory, static_cast<std::uint32_t>(extra.size()));
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, m.externalAttributes);
    Put32(directory, m.zip64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(offset));
    directory += m.name + extra;
  }
  const std::uint64_t directoryOffset = out.size();
  out += directory;
  if (zip64End_) {
    const std::uint64_t recordOffset = out.size();
    Put32(out, 0x06064b50);
    Put64(out, 44);
    Put16(out, 45);
    Put16(out, 45);
    Put32(out, 0);
    Put32(out, 0);
    Put64(out, items_.size());
    Put64(out, items_.size());
    Put64(out, directory.size());
    Put64(out, directoryOffset);
    Put32(out, 0x07064b50);
    Put32(out, 0);
    Put64(out, recordOffset);
    Put32(out, 1);
  }
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, zip64End_ ? 0xFFFF : static_cast<std::uint32_t>(items_.size()));
  Put16(out, zip64End_ ? 0xFFFF : static_cast<std::uint32_t>(items_.size()));
  Put32(out, zip64End_ ? 0xFFFFFFFFu : static_cast<std::uint32_t>(directory.size()));
  Put32(out, zip64End_ ? 0xFFFFFFFFu : static_cast<std::uint32_t>(directoryOffset));
  Put16(out, static_cast<std::uint32_t>(comment_.size()));
  return out + comment_;
}

}  // namespace vyn::test
