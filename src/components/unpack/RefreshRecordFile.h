#pragma once

#include <optional>
#include <string>

#include "platform/RefreshRecords.h"

namespace vyn {

// Refresh records as UTF-8 text beside the archive, replaced in one step, checked
// by a CRC-32 of their own; the files they list are the archive's members as the
// unpacking places them, with the sizes and CRC-32s of its directory.
class RefreshRecordFile : public RefreshRecords {
 public:
  std::optional<RefreshRecord> Read(const std::wstring& archive) override;
  void Write(const std::wstring& archive, RefreshRecord record) override;
  void Remove(const std::wstring& archive) override;
  std::optional<std::wstring> FirstDifference(const std::wstring& archive,
                                              const RefreshRecord& record,
                                              UnpackObserver& observer) override;
};

// The record's text, and the record a text holds (none when it is damaged or
// not one).
std::string RefreshRecordText(const RefreshRecord& record);
std::optional<RefreshRecord> ParseRefreshRecord(const std::string& text);

}  // namespace vyn
