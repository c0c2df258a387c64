#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/UnpackObserver.h"

namespace vyn {

// One file unpacked into the data folder, as its archive declared it.
struct RecordedFile {
  std::wstring name;  // below the data folder, with "\" between folders
  std::uint64_t size = 0;
  std::uint32_t crc32 = 0;
};

// The last refresh of one archive, as its data folder records it: the archive as
// the server described it, and what was unpacked from it.
struct RefreshRecord {
  std::wstring url;
  std::string etag;  // both as the server sent them; empty when it sent none
  std::string lastModified;
  std::uint64_t size = 0;  // of the archive
  std::vector<RecordedFile> files;
};

// The records of refreshes, each in a hidden file beside the archive it describes
// (".vyn-" + the archive's file name + ".state"). Every call is made under the
// data folder's lock. Independent of any window: it may run on any thread.
class RefreshRecords {
 public:
  virtual ~RefreshRecords() = default;
  // The record of `archive` (a path in the data folder); none when it is missing,
  // unreadable, damaged or not one of ours.
  virtual std::optional<RefreshRecord> Read(const std::wstring& archive) = 0;
  // Records `archive`, unpacked into its folder just now, with the files it
  // holds; the record is replaced in one step. Throws Error.
  virtual void Write(const std::wstring& archive, RefreshRecord record) = 0;
  // Removes the record of `archive`, before anything of its files changes; none
  // there is no failure. Throws Error when it stays.
  virtual void Remove(const std::wstring& archive) = 0;
  // The first recorded file that is missing from the data folder or differs in
  // size or CRC-32 (each is read whole), with what differs; none when all match.
  // `observer` hears of the bytes read; when it answers false, the check stops
  // with an Error.
  virtual std::optional<std::wstring> FirstDifference(const std::wstring& archive,
                                                      const RefreshRecord& record,
                                                      UnpackObserver& observer) = 0;
};

}  // namespace vyn
