#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vyn {

// A file opened for raw binary writing at explicit positions. Closed by Close()
// or on destruction. Failures are thrown as Error (61 disk full, 75 path/file
// access error, ...).
class BinaryFile {
 public:
  virtual ~BinaryFile() = default;
  // position counts bytes from 1.
  virtual void Put(std::int64_t position, const std::uint8_t* data, std::size_t count) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
};

class BinaryFiles {
 public:
  virtual ~BinaryFiles() = default;
  // Opens (creating if needed) for writing without truncating, like a binary open.
  virtual std::unique_ptr<BinaryFile> OpenForBinary(const std::wstring& path) = 0;
  // Deletes a file by name; throws when it cannot.
  virtual void Kill(const std::wstring& path) = 0;
};

}  // namespace vyn
