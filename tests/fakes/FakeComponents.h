#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Components.h"

namespace vyn::fakes {

// Records every call, in order, as "Operation" or "Operation(argument)"; a call
// named in failOn throws the component's failure instead.
class CallLog {
 public:
  std::vector<std::wstring> calls;
  std::wstring failOn;
  void Record(const std::wstring& call);
};

class FakeProductSettings : public ProductSettings {
 public:
  explicit FakeProductSettings(CallLog& log) : log_(log) {}

  std::wstring dataFolder = L"C:\\Veltrix\\Data\\";
  std::wstring filePrefix = L"Vyn";
  Boolean taxDataAvailable = kTrue;
  std::wstring settingsKey = L"Software\\Tevrin Labs\\Veltrix\\Settings";
  std::wstring taxDataLocation = L"C:\\Veltrix\\Data\\Tax";

  void AppDataFolder(const std::wstring& folder) override;
  std::wstring DataFolder() override;
  void TaxDataFolder(const std::wstring& folder) override;
  std::wstring TaxDataLocation() override;
  Boolean TaxDataAvailable() override;
  std::wstring FilePrefix() override;
  std::wstring SettingsKey() override;
  void MlsDataUpdated(std::int32_t updated) override;
  void TaxDataUpdated(std::int32_t updated) override;
  void LoadSettings() override;

 private:
  CallLog& log_;
};

// With an observer, Execute reports half its work (a Cancel then stops it with the
// component's failure) and then its commit.
class FakeZipExtractor : public ZipExtractor {
 public:
  FakeZipExtractor(CallLog& log, UnpackObserver* observer) : log_(log), observer_(observer) {}
  void Execute(std::int32_t action) override;
  void TargetFolder(const std::wstring& folder) override;
  void FileMask(const std::wstring& mask) override;
  void SourceArchive(const std::wstring& path) override;

 private:
  CallLog& log_;
  UnpackObserver* observer_;
};

class FakeUnpackRecovery : public UnpackRecovery {
 public:
  explicit FakeUnpackRecovery(CallLog& log) : log_(log) {}
  void FinishInterruptedUnpacking(const std::wstring& folder) override;

 private:
  CallLog& log_;
};

// Lists the members it is given, for any archive; throws when there are none.
class FakeArchiveListing : public ArchiveListing {
 public:
  explicit FakeArchiveListing(std::vector<ArchiveMember> members) : members_(std::move(members)) {}
  std::vector<ArchiveMember> Members(const std::wstring& archive) override;

 private:
  std::vector<ArchiveMember> members_;
};

// Refresh records in memory, by archive path; Write keeps the record as given.
// The check answers `difference`; it reports its work as one step.
struct FakeRefreshRecordStore {
  std::map<std::wstring, RefreshRecord> records;
  std::optional<std::wstring> difference;
  int checks = 0;
};

class FakeRefreshRecords : public RefreshRecords {
 public:
  explicit FakeRefreshRecords(FakeRefreshRecordStore& store) : store_(store) {}
  std::optional<RefreshRecord> Read(const std::wstring& archive) override;
  void Write(const std::wstring& archive, RefreshRecord record) override;
  void Remove(const std::wstring& archive) override;
  std::optional<std::wstring> FirstDifference(const std::wstring& archive,
                                              const RefreshRecord& record,
                                              UnpackObserver& observer) override;

 private:
  FakeRefreshRecordStore& store_;
};

// Hands out the one settings fake (so a test can configure it first) and a new
// zip fake and recovery fake per request; all log into the same CallLog.
class FakeComponents : public ComponentFactory {
 public:
  CallLog log;
  std::shared_ptr<FakeProductSettings> settings = std::make_shared<FakeProductSettings>(log);
  int zipExtractorsCreated = 0;
  std::vector<ArchiveMember> archiveMembers;  // what every archive lists
  FakeRefreshRecordStore refreshRecords;

  std::shared_ptr<ProductSettings> CreateProductSettings() override;
  std::shared_ptr<ZipExtractor> CreateZipExtractor(UnpackObserver* observer) override;
  std::shared_ptr<UnpackRecovery> CreateUnpackRecovery() override;
  std::shared_ptr<ArchiveListing> CreateArchiveListing() override;
  std::shared_ptr<RefreshRecords> CreateRefreshRecords() override;
};

}  // namespace vyn::fakes
