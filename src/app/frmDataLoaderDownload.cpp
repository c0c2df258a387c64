#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

#include "app/DataFolderLock.h"
#include "app/ProductRegistry.h"
#include "app/basCommonObj.h"
#include "app/frmDataLoader.h"
#include "platform/PathText.h"
#include "platform/TransientRetry.h"
#include "retrieval/frmGetHTMLFile.h"
#include "support/basRegistry.h"

namespace vyn {
namespace {

constexpr std::int32_t kChunkSize = 4096;
constexpr std::chrono::milliseconds kLockLookInterval{250};
constexpr const wchar_t* kHostNotText =
    L"The registry value \"Download Host\" is not text. It must be a string (REG_SZ) "
    L"naming the download server, \"host\" or \"host:port\". Nothing was downloaded.";

}  // namespace

void frmDataLoader::RefreshChosenSets() {
  stage_ = Stage::kChoosing;
  Zip = platform_.components.CreateZipExtractor(&unpackProgress_);
  records_ = platform_.components.CreateRefreshRecords();
  platform_.log.Write(std::wstring(L"Download: MLS data ") +
                      (Item(L"chkMls").Value() == 1 ? L"chosen" : L"not chosen") + L", tax data " +
                      (Item(L"chkTax").Value() == 1 ? L"chosen" : L"not chosen"));
  if (Item(L"txtDatapath").Enabled() && !AcceptDataPath()) return;
  DataPath = Item(L"txtDatapath").Text();
  platform_.log.Write(L"Data folder used: " + DataPath);
  const std::optional<std::wstring> host = DownloadHost();
  if (!host) return;
  if (!LockDataFolder()) return;

  ProductSettings& settings = *basCommonObj::objProductSettings;
  if (Item(L"chkMls").Value() == 1) {
    if (!RefreshDataSet(*host, L"Data", L"MLS Data")) return;
    settings.MlsDataUpdated(1);
    platform_.log.Write(L"Recorded in the settings: MlsDataUpdated");
  }
  if (Item(L"chkTax").Value() == 1) {
    if (!RefreshDataSet(*host, L"Tax", L"Tax Data")) return;
    settings.TaxDataUpdated(1);
    settings.TaxDataFolder(DataPath);
    platform_.log.Write(L"Recorded in the settings: TaxDataUpdated, TaxDataFolder " + DataPath);
    RecordTaxLocation();
  }
  ReleaseDataFolder();
  platform_.messageBoxes.Show(L"Download Complete", kAppTitle, MessageButtons::kOk);
  Unload();
}

// One refresh of a data folder at a time: before anything of the sequence touches
// the folder, its lock. Held by another refresh, the user is told who holds it and
// nothing changes; a scheduled run waits its turn. A folder where no lock can be
// made (read-only, missing) goes on without one and reports its own failure.
bool frmDataLoader::LockDataFolder() {
  FolderLocks::Attempt attempt = WaitForDataFolder();
  switch (attempt.outcome) {
    case FolderLocks::Outcome::kTaken:
      dataFolderLock_ = std::move(attempt.lock);
      return true;
    case FolderLocks::Outcome::kUnavailable:
      platform_.log.Write(L"No lock can be made in " + DataPath +
                          L"; the refresh goes on without one");
      return true;
    case FolderLocks::Outcome::kHeld:
      break;
  }
  stage_ = Stage::kBusy;
  platform_.log.Write(L"Data folder busy, nothing changed: " + HolderInLog(attempt.holder) +
                      L" holds " + DataPath);
  if (!unattended_) {
    platform_.messageBoxes.Show(DataFolderBusyText(attempt.holder), kAppTitle, MessageButtons::kOk);
  }
  return false;
}

// A scheduled run waits for the refresh that holds the folder, looking again four
// times a second.
FolderLocks::Attempt frmDataLoader::WaitForDataFolder() {
  FolderLocks::Attempt attempt = platform_.locks.TryLock(DataPath, unattended_);
  if (attempt.outcome != FolderLocks::Outcome::kHeld || !unattended_) return attempt;
  const std::chrono::seconds wait = LockWait(platform_.environment.Variable(kLockWaitVariable));
  platform_.log.Write(L"Waiting up to " + std::to_wstring(wait.count()) +
                      L" s for the data folder: " + HolderInLog(attempt.holder) + L" holds it");
  const auto begun = std::chrono::steady_clock::now();
  const auto end = begun + wait;
  while (attempt.outcome == FolderLocks::Outcome::kHeld) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return attempt;
    platform_.pump.DoEvents();
    SleepFor(std::min<std::chrono::milliseconds>(
        kLockLookInterval, std::chrono::duration_cast<std::chrono::milliseconds>(end - now)));
    attempt = platform_.locks.TryLock(DataPath, unattended_);
  }
  platform_.log.Write(L"Data folder free after " + std::to_wstring(MillisecondsSince(begun)) +
                      L" ms of waiting");
  return attempt;
}

void frmDataLoader::ReleaseDataFolder() {
  dataFolderLock_.reset();
}

// A typed data folder must exist; it gets its trailing "\" in the box itself,
// so the user sees the folder that is used.
bool frmDataLoader::AcceptDataPath() {
  Control& box = Item(L"txtDatapath");
  if (box.Text().empty()) {
    platform_.messageBoxes.Show(L"Invalid data path:" + box.Text(), kAppTitle, MessageButtons::kOk);
    return false;
  }
  if (box.Text().back() != L'\\') box.SetText(WithTrailingSeparator(box.Text()));
  if (!platform_.fileSystem.FolderExists(box.Text())) {
    platform_.messageBoxes.Show(L"Invalid data path:" + box.Text(), kAppTitle, MessageButtons::kOk);
    return false;
  }
  return true;
}

// Fetches "<prefix><kind>.vyn" as "<prefix><kind>.zip" and unpacks it. When the
// data folder records the last refresh from the same address, the server is asked
// first whether the archive changed; unchanged, and the recorded files all there
// as unpacked, the set is current without a fetch. A set not fetched, or whose
// unpack or check was cancelled, frees the folder before the failure box waits
// for the user, and the window stays for another try.
bool frmDataLoader::RefreshDataSet(const std::wstring& host, const std::wstring& kind,
                                   const std::wstring& setName) {
  ProductSettings& settings = *basCommonObj::objProductSettings;
  std::wstring url = host + L"/Downloads/" + settings.FilePrefix() + kind + L".vyn";
  std::wstring localName = settings.FilePrefix() + kind + L".zip";
  stage_ = Stage::kFetch;
  const std::optional<RefreshRecord> record = LastRefresh(url, DataPath + localName, setName);
  Fetch fetched = FetchArchive(url, localName, L"Downloading " + setName, record);
  if (fetched == Fetch::kUnchanged) {
    // None: the check was cancelled.
    const std::optional<bool> current = CheckUnchangedSet(*record, setName);
    if (current == true) return true;
    fetched = current ? FetchArchive(url, localName, L"Downloading " + setName, std::nullopt)
                      : Fetch::kFailed;
  }
  if (fetched == Fetch::kArrived && ExtractArchive(L"Unpacking " + setName)) return true;
  ReleaseDataFolder();
  platform_.messageBoxes.Show(kDownloadFailed, kAppTitle, MessageButtons::kOk);
  return false;
}

void frmDataLoader::RecordTaxLocation() {
  ProductSettings& settings = *basCommonObj::objProductSettings;
  std::wstring key = settings.SettingsKey() + kFileLocationsSubkey;
  std::wstring location = settings.TaxDataLocation();
  basRegistry::RegistrySetKeyValue(Registry(), kHkeyLocalMachine, key, kTaxPathLocalValue,
                                   RegistryValue::String(location), kRegSz);
  platform_.log.Write(L"Registry write (a refusal is reported before): HKLM\\" + key + L", \"" +
                      kTaxPathLocalValue + L"\" = \"" + location + L"\"");
}

// The maker's server, unless the product's key names a test or staging server.
// A value that is no text (a list, bytes, a number) names no server: it is refused
// with a message, and nothing is fetched.
std::optional<std::wstring> frmDataLoader::DownloadHost() {
  const RegistryValue value = basRegistry::RegistryGetKeyValue(Registry(), kHkeyLocalMachine,
                                                               kProductKey, kDownloadHostValue);
  if (value.IsEmpty()) return std::wstring(kMakerDownloadHost);
  if (value.GetKind() != RegistryValue::Kind::kString) {
    platform_.messageBoxes.Show(kHostNotText, kAppTitle, MessageButtons::kOk);
    return std::nullopt;
  }
  std::wstring host = value.ToString();
  return host.empty() ? kMakerDownloadHost : host;
}

bool frmDataLoader::DownLoad(const std::wstring& URL, const std::wstring& FileName,
                             const std::wstring& Caption) {
  return FetchArchive(URL, FileName, Caption, std::nullopt) == Fetch::kArrived;
}

frmDataLoader::Fetch frmDataLoader::FetchArchive(const std::wstring& url,
                                                 const std::wstring& fileName,
                                                 const std::wstring& caption,
                                                 const std::optional<RefreshRecord>& last) {
  try {
    auto retrieval = std::make_unique<frmGetHTMLFile>(platform_);
    ArchivePath = DataPath + fileName;
    if (last) retrieval->IfChanged(last->etag, last->lastModified);
    Boolean quiet = kTrue;
    RetrievalStatus status =
        retrieval->GetFile(url, ArchivePath, kFalse, caption, kFalse, kChunkSize, quiet);
    if (status != kRetrievalCompleted) return Fetch::kFailed;
    if (retrieval->Unchanged()) return Fetch::kUnchanged;
    fetchedFrom_ = RefreshRecord{url, retrieval->ETag(), retrieval->LastModified(), 0, {}};
    return Fetch::kArrived;
  } catch (...) {
    return Fetch::kFailed;
  }
}

}  // namespace vyn
