#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/CommandLine.h"
#include "app/frmUnpack.h"
#include "platform/Forms.h"
#include "platform/Platform.h"
#include "support/basRegistry.h"

namespace vyn {

// A data set that could not be fetched or unpacked, or whose fetch or unpack the
// user cancelled.
inline constexpr const wchar_t* kDownloadFailed =
    L"Unable to download data files - call technical support";

// The main window: start-up, the choice of data sets and, for each chosen set,
// fetch -> unpack -> record. Failures it does not handle propagate out of its
// event handlers and end the program.
class frmDataLoader : public FormEvents {
 public:
  // `unattended`: a scheduled refresh, as the data folder's lock names its holder.
  explicit frmDataLoader(Platform& platform, bool unattended = false);
  ~frmDataLoader() override;
  frmDataLoader(const frmDataLoader&) = delete;
  frmDataLoader& operator=(const frmDataLoader&) = delete;

  // Loads the window and runs the load step; the window stays hidden.
  void Load();
  void Show();
  bool Loaded() const { return window_ != nullptr; }

  // Fetches URL into the data folder as FileName; true when the file arrived
  // completely. Sets ArchivePath.
  bool DownLoad(const std::wstring& URL, const std::wstring& FileName, const std::wstring& Caption);

  // The Download sequence for a run that nobody watches, after Load: the sets
  // the command line chooses, no window shown; returns the run's exit code.
  ExitCode RunUnattended(const CommandLine& line);

  void OnClick(const std::wstring& control) override;

  // The window's design: controls, texts and positions in twips.
  static FormDesign Layout();

 private:
  // How far the Download sequence got; an unattended run's exit code names it.
  enum class Stage { kChoosing, kBusy, kFetch, kUnpack, kRecord };
  // What a fetch came to: the archive arrived, or the server's is the one last
  // unpacked here, or neither.
  enum class Fetch { kFailed, kArrived, kUnchanged };

  void LoadStep();
  void ProbeInstallPath();
  void FinishInterruptedRefresh(const std::wstring& dataFolder);
  std::wstring ReadProductValue(const wchar_t* valueName);
  RegistryServices Registry();
  void UpdateDownloadButton();
  void cmdDownload_Click();
  void RefreshChosenSets();
  bool LockDataFolder();
  FolderLocks::Attempt WaitForDataFolder();
  void ReleaseDataFolder();
  bool AcceptDataPath();
  bool RefreshDataSet(const std::wstring& host, const std::wstring& kind,
                      const std::wstring& setName);
  void RecordTaxLocation();
  Fetch FetchArchive(const std::wstring& url, const std::wstring& fileName,
                     const std::wstring& caption, const std::optional<RefreshRecord>& last);
  std::optional<RefreshRecord> LastRefresh(const std::wstring& url, const std::wstring& archive,
                                           const std::wstring& setName);
  std::optional<bool> CheckUnchangedSet(const RefreshRecord& record, const std::wstring& setName);
  void RecordRefresh();
  std::optional<std::wstring> DownloadHost();
  bool ExtractArchive(const std::wstring& caption);
  void Unload();
  bool TaxLocationRecorded();
  Control& Item(const wchar_t* name) { return window_->Item(name); }

  Platform& platform_;
  std::unique_ptr<Form> window_;

  std::wstring CityId;
  std::wstring AppDataPath;
  std::wstring InstallPath;
  std::wstring DataPath;
  std::wstring ArchivePath;
  std::shared_ptr<ZipExtractor> Zip;
  std::shared_ptr<RefreshRecords> records_;
  RefreshRecord fetchedFrom_;      // the archive just fetched, as the server described it
  UnpackProgress unpackProgress_;  // heard by Zip; declared before it goes
  std::unique_ptr<FolderLocks::Lock> dataFolderLock_;  // from the fetch until recorded
  Stage stage_ = Stage::kChoosing;
  bool unattended_ = false;
  bool sequenceRunning_ = false;  // a second Download click meanwhile is ignored
};

}  // namespace vyn
