// The record of each refresh in the data folder, and the check that lets an
// archive the server still holds count as refreshed without a fetch.

#include <chrono>
#include <optional>

#include "app/frmDataLoader.h"
#include "platform/Error.h"

namespace vyn {

// The record of the last refresh of `archive`, when it came from `url`.
std::optional<RefreshRecord> frmDataLoader::LastRefresh(const std::wstring& url,
                                                        const std::wstring& archive,
                                                        const std::wstring& setName) {
  std::optional<RefreshRecord> record = records_->Read(archive);
  if (!record) return std::nullopt;
  if (record->url != url) {
    platform_.log.Write(setName + L": the data folder's record is of another address (" +
                        record->url + L"); a full refresh follows");
    return std::nullopt;
  }
  if (record->etag.empty() && record->lastModified.empty()) return std::nullopt;
  return record;
}

// True when every recorded file is in the data folder as it was unpacked, false
// (after naming the first that is not) when one differs; none when the check was
// cancelled. The check reads every file: in a window of its own, like the unpack.
std::optional<bool> frmDataLoader::CheckUnchangedSet(const RefreshRecord& record,
                                                     const std::wstring& setName) {
  stage_ = Stage::kUnpack;
  const auto begun = std::chrono::steady_clock::now();
  std::optional<std::wstring> difference;
  frmUnpack window(platform_, unpackProgress_);
  const bool checked = window.Unpack(L"Checking " + setName, [&] {
    difference = records_->FirstDifference(ArchivePath, record, unpackProgress_);
  });
  if (!checked) {
    platform_.log.Write(L"Check of " + setName + L" cancelled, nothing changed");
    return std::nullopt;
  }
  if (difference) {
    platform_.log.Write(setName + L": " + *difference +
                        L" in the data folder; fetching the whole archive");
    return false;
  }
  const std::wstring since = record.lastModified.empty()
                                 ? std::wstring(L"the last refresh")
                                 : platform_.ansi.FromAnsi(record.lastModified);
  platform_.log.Write(setName + L" unchanged on the server since " + since + L", " +
                      std::to_wstring(record.files.size()) + L" files checked, nothing fetched (" +
                      std::to_wstring(MillisecondsSince(begun)) + L" ms)");
  stage_ = Stage::kRecord;
  return true;
}

// After a commit: the record that lets the next refresh ask first. A record that
// cannot be written costs only that: the next refresh fetches in full.
void frmDataLoader::RecordRefresh() {
  try {
    records_->Write(ArchivePath, fetchedFrom_);
  } catch (...) {
    const Error failure = CurrentError();
    platform_.log.Write(L"No record of this refresh (the next one fetches in full): " +
                        DescribeFailure(failure.Number(), failure.Description()));
  }
}

}  // namespace vyn
