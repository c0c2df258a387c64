#include "FakeComponents.h"

#include "platform/Error.h"

namespace vyn::fakes {
namespace {

// The number a component failure status arrives with.
constexpr std::int32_t kComponentFailure = static_cast<std::int32_t>(0x80004005u);

std::wstring Name(const std::wstring& call) {
  return call.substr(0, call.find(L'('));
}

}  // namespace

void CallLog::Record(const std::wstring& call) {
  calls.push_back(call);
  if (!failOn.empty() && Name(call) == failOn) {
    throw Error(kComponentFailure, L"Unspecified error in " + failOn);
  }
}

void FakeProductSettings::AppDataFolder(const std::wstring& folder) {
  log_.Record(L"AppDataFolder(" + folder + L")");
}
std::wstring FakeProductSettings::DataFolder() {
  log_.Record(L"DataFolder");
  return dataFolder;
}
void FakeProductSettings::TaxDataFolder(const std::wstring& folder) {
  log_.Record(L"TaxDataFolder(" + folder + L")");
}
std::wstring FakeProductSettings::TaxDataLocation() {
  log_.Record(L"TaxDataLocation");
  return taxDataLocation;
}
Boolean FakeProductSettings::TaxDataAvailable() {
  log_.Record(L"TaxDataAvailable");
  return taxDataAvailable;
}
std::wstring FakeProductSettings::FilePrefix() {
  log_.Record(L"FilePrefix");
  return filePrefix;
}
std::wstring FakeProductSettings::SettingsKey() {
  log_.Record(L"SettingsKey");
  return settingsKey;
}
void FakeProductSettings::MlsDataUpdated(std::int32_t updated) {
  log_.Record(L"MlsDataUpdated(" + std::to_wstring(updated) + L")");
}
void FakeProductSettings::TaxDataUpdated(std::int32_t updated) {
  log_.Record(L"TaxDataUpdated(" + std::to_wstring(updated) + L")");
}
void FakeProductSettings::LoadSettings() {
  log_.Record(L"LoadSettings");
}

void FakeZipExtractor::Execute(std::int32_t action) {
  log_.Record(L"Execute(" + std::to_wstring(action) + L")");
  if (!observer_) return;
  if (!observer_->Unpacked(1, 2)) throw Error(kComponentFailure, L"the unpacking was cancelled");
  observer_->Committing();
}
void FakeZipExtractor::TargetFolder(const std::wstring& folder) {
  log_.Record(L"TargetFolder(" + folder + L")");
}
void FakeZipExtractor::FileMask(const std::wstring& mask) {
  log_.Record(L"FileMask(" + mask + L")");
}
void FakeZipExtractor::SourceArchive(const std::wstring& path) {
  log_.Record(L"SourceArchive(" + path + L")");
}

void FakeUnpackRecovery::FinishInterruptedUnpacking(const std::wstring& folder) {
  log_.Record(L"FinishInterruptedUnpacking(" + folder + L")");
}

std::vector<ArchiveMember> FakeArchiveListing::Members(const std::wstring& archive) {
  if (members_.empty()) throw Error(errors::kFileNotFound, L"no members listed for " + archive);
  return members_;
}

std::optional<RefreshRecord> FakeRefreshRecords::Read(const std::wstring& archive) {
  const auto found = store_.records.find(archive);
  if (found == store_.records.end()) return std::nullopt;
  return found->second;
}

void FakeRefreshRecords::Write(const std::wstring& archive, RefreshRecord record) {
  store_.records[archive] = std::move(record);
}

void FakeRefreshRecords::Remove(const std::wstring& archive) {
  store_.records.erase(archive);
}

std::optional<std::wstring> FakeRefreshRecords::FirstDifference(const std::wstring&,
                                                                const RefreshRecord&,
                                                                UnpackObserver& observer) {
  ++store_.checks;
  if (!observer.Unpacked(1, 1)) throw Error(kComponentFailure, L"the check was cancelled");
  return store_.difference;
}

std::shared_ptr<ProductSettings> FakeComponents::CreateProductSettings() {
  return settings;
}

std::shared_ptr<ZipExtractor> FakeComponents::CreateZipExtractor(UnpackObserver* observer) {
  ++zipExtractorsCreated;
  return std::make_shared<FakeZipExtractor>(log, observer);
}

std::shared_ptr<UnpackRecovery> FakeComponents::CreateUnpackRecovery() {
  return std::make_shared<FakeUnpackRecovery>(log);
}

std::shared_ptr<ArchiveListing> FakeComponents::CreateArchiveListing() {
  return std::make_shared<FakeArchiveListing>(archiveMembers);
}

std::shared_ptr<RefreshRecords> FakeComponents::CreateRefreshRecords() {
  return std::make_shared<FakeRefreshRecords>(refreshRecords);
}

}  // namespace vyn::fakes
