#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Forms.h"
#include "platform/Platform.h"
#include "support/basRegistry.h"

namespace vyn {

// The main window: start-up, the choice of data sets and, for each chosen set,
// fetch -> unpack -> record. Failures it does not handle propagate out of its
// event handlers and end the program.
class frmDataLoader : public FormEvents {
 public:
  explicit frmDataLoader(Platform& platform);
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

  void OnClick(const std::wstring& control) override;

 private:
  static FormDesign Layout();
  void LoadStep();
  void ProbeInstallPath();
  void FinishInterruptedRefresh(const std::wstring& dataFolder);
  std::wstring ReadProductValue(const wchar_t* valueName);
  RegistryServices Registry();
  void UpdateDownloadButton();
  void DownloadSequence();
  bool AcceptDataPath();
  bool FetchDataSet(const std::wstring& host, const wchar_t* remoteSuffix,
                    const wchar_t* localSuffix, const wchar_t* caption);
  void RecordTaxLocation();
  std::optional<std::wstring> DownloadHost();
  void ExtractArchive();
  void Unload();
  Control& Item(const wchar_t* name) { return window_->Item(name); }

  Platform& platform_;
  std::unique_ptr<Form> window_;

  std::wstring CityId;
  std::wstring AppDataPath;
  std::wstring InstallPath;
  std::wstring DataPath;
  std::wstring ArchivePath;
  std::shared_ptr<ZipExtractor> Zip;
};

}  // namespace vyn
