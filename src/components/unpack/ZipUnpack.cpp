// Streaming a member's data out of the archive, checked as it goes.
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <system_error>
#include <vector>

#include "components/unpack/ZipErrors.h"
#include "components/unpack/ZipReader.h"
#include "platform/Error.h"

namespace vyn {

namespace {

constexpr std::size_t kChunkSize = ArchiveWindow::kSize;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

[[noreturn]] void BadData(const ZipEntry& entry, const wchar_t* problem) {
  throw ZipProblem{zip_errors::kBadData, entry.name, problem};
}

// Reads the member's compressed bytes piece by piece.
class CompressedInput {
 public:
  CompressedInput(ArchiveWindow& archive, const ZipEntry& entry)
      : archive_(archive), entry_(entry) {}

  bool AtEnd() const { return consumed_ == entry_.compressedSize; }

  // The next piece, empty at the end.
  std::pair<unsigned char*, std::size_t> Next() {
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>(kChunkSize, entry_.compressedSize - consumed_));
    unsigned char* bytes = nullptr;
    try {
      bytes = archive_.Bytes(entry_.dataOffset + consumed_, count);
    } catch (const std::system_error& failure) {
      throw ZipProblem{zip_errors::kUnreadable, entry_.name,
                       L"the archive cannot be read: " + WidenFromUtf8(failure.what())};
    }
    if (!bytes) BadData(entry_, L"the archive ends inside the member's data");
    consumed_ += count;
    return {bytes, count};
  }

 private:
  ArchiveWindow& archive_;
  const ZipEntry& entry_;
  std::uint64_t consumed_ = 0;
};

// Counts and checksums what reaches the sink, and never lets more than the
// declared size through.
class CheckedOutput {
 public:
  CheckedOutput(const ZipEntry& entry, const ZipReader::Sink& sink) : entry_(entry), sink_(sink) {}

  void Put(const unsigned char* bytes, std::size_t count) {
    if (count > entry_.uncompressedSize - written_) {
      BadData(entry_, L"the member unpacks to more than its declared size");
    }
    crc_ = crc32(crc_, bytes, static_cast<uInt>(count));
    written_ += count;
    sink_(bytes, count);
  }

  void Finish() const {
    if (written_ != entry_.uncompressedSize) {
      BadData(entry_, L"the member unpacks to less than its declared size");
    }
    if (crc_ != entry_.crc32) BadData(entry_, L"the member's CRC-32 does not match its data");
  }

 private:
  const ZipEntry& entry_;
  const ZipReader::Sink& sink_;
  std::uint64_t written_ = 0;
  uLong crc_ = crc32(0, Z_NULL, 0);
};

}  // namespace

RawInflater::RawInflater() {
  // Negative window bits: raw deflate data, no zlib header.
  if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw MakeError(errors::kOutOfMemory);
}

RawInflater::~RawInflater() {
  inflateEnd(&stream_);
}

z_stream& RawInflater::Fresh() {
  if (inflateReset(&stream_) != Z_OK) throw MakeError(errors::kOutOfMemory);
  stream_.next_in = Z_NULL;  // the caller's fields: none left over from the last member
  stream_.avail_in = 0;
  return stream_;
}

void ZipReader::Unpack(const ZipEntry& entry, const Sink& sink) {
  if (entry.method == kMethodStored) {
    UnpackStored(entry, sink);
  } else if (entry.method == kMethodDeflated) {
    UnpackDeflated(entry, sink);
  } else {
    throw ZipProblem{zip_errors::kUnsupportedMember, entry.name,
                     L"compression method " + std::to_wstring(entry.method) + L" is not supported"};
  }
}

void ZipReader::UnpackStored(const ZipEntry& entry, const Sink& sink) {
  if (entry.compressedSize != entry.uncompressedSize) {
    BadData(entry, L"a stored member's packed and unpacked sizes differ");
  }
  CompressedInput input(window_, entry);
  CheckedOutput output(entry, sink);
  while (!input.AtEnd()) {
    const auto [bytes, count] = input.Next();
    output.Put(bytes, count);
  }
  output.Finish();
}

void ZipReader::UnpackDeflated(const ZipEntry& entry, const Sink& sink) {
  CompressedInput input(window_, entry);
  CheckedOutput output(entry, sink);
  if (!inflater_) inflater_ = std::make_unique<RawInflater>();
  z_stream& stream = inflater_->Fresh();
  std::vector<unsigned char>& unpacked = unpacked_;
  unpacked.resize(kChunkSize);
  // As zlib asks: inflate is called again while it may hold output back, even with
  // all input used up. Only a call that can make no progress (Z_BUF_ERROR, with a
  // whole output buffer free, so for want of input) means the data are cut short.
  for (;;) {
    if (stream.avail_in == 0 && !input.AtEnd()) {
      const auto [bytes, count] = input.Next();
      stream.next_in = bytes;
      stream.avail_in = static_cast<uInt>(count);
    }
    stream.next_out = unpacked.data();
    stream.avail_out = static_cast<uInt>(unpacked.size());
    const int status = inflate(&stream, Z_NO_FLUSH);
    if (status == Z_MEM_ERROR) throw MakeError(errors::kOutOfMemory);
    if (status == Z_BUF_ERROR) BadData(entry, L"the compressed data end too early");
    if (status != Z_OK && status != Z_STREAM_END) {
      BadData(entry, L"the compressed data are damaged");
    }
    output.Put(unpacked.data(), unpacked.size() - stream.avail_out);
    if (status == Z_STREAM_END) break;
  }
  if (stream.avail_in != 0 || !input.AtEnd()) {
    BadData(entry, L"the compressed data end before the member's declared packed size");
  }
  output.Finish();
}

}  // namespace vyn
