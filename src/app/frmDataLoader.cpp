#include "app/frmDataLoader.h"

#include "app/DataFolderLock.h"
#include "app/ProductRegistry.h"
#include "app/basCommonObj.h"
#include "platform/Error.h"
#include "platform/PathText.h"
#include "support/basRegistry.h"

namespace vyn {
namespace {

constexpr const wchar_t* kProbeFile = L"VYN Veltrix.exe";
constexpr const wchar_t* kProgramFilesFolder = L"C:\\Program Files\\Vyn Veltrix\\";
constexpr const wchar_t* kProgramFilesX86Folder = L"C:\\Program Files (x86)\\Vyn Veltrix\\";

}  // namespace

frmDataLoader::frmDataLoader(Platform& platform, bool unattended)
    : platform_(platform), unattended_(unattended) {}

frmDataLoader::~frmDataLoader() = default;

void frmDataLoader::Load() {
  window_ = platform_.forms.Load(Layout(), *this);
  LoadStep();
}

void frmDataLoader::Show() {
  window_->Show();
}

void frmDataLoader::Unload() {
  window_.reset();
}

RegistryServices frmDataLoader::Registry() {
  return {platform_.registry, platform_.ansi, platform_.environment, platform_.messageBoxes};
}

std::wstring frmDataLoader::ReadProductValue(const wchar_t* valueName) {
  return basRegistry::RegistryGetKeyValue(Registry(), kHkeyLocalMachine, kProductKey, valueName)
      .ToString();
}

void frmDataLoader::LoadStep() {
  CityId = ReadProductValue(kCityIdValue);
  window_->SetCaption(L"VYN Veltrix - " + CityId);
  Item(L"txtDatapath").SetEnabled(false);
  AppDataPath = ReadProductValue(kAppDataValue);
  InstallPath = ReadProductValue(kInstallPathValue);
  platform_.log.Write(L"Product key: Current City Id \"" + CityId + L"\", AppData \"" +
                      AppDataPath + L"\", Install Path \"" + InstallPath + L"\"");
  if (InstallPath.empty()) ProbeInstallPath();

  basCommonObj::objProductSettings = platform_.components.CreateProductSettings();
  ProductSettings& settings = *basCommonObj::objProductSettings;
  if (AppDataPath.empty()) AppDataPath = InstallPath;
  settings.AppDataFolder(AppDataPath);
  settings.LoadSettings();
  const bool taxOffered = settings.TaxDataAvailable() != kFalse;
  Item(L"chkTax").SetVisible(taxOffered);
  Item(L"txtDatapath").SetText(settings.DataFolder());
  platform_.log.Write(L"Settings in " + AppDataPath + L": data folder \"" +
                      Item(L"txtDatapath").Text() + L"\", tax data " +
                      (taxOffered ? L"offered" : L"not offered"));
  Item(L"cmdDownload").SetEnabled(false);
  FinishInterruptedRefresh(Item(L"txtDatapath").Text());
}

// A refresh ended (killed, powered off) while its files moved into place is
// completed before the window takes a click, so neither the product nor the next
// refresh finds half old, half new data. Only under the data folder's lock: a
// folder another refresh holds has live staging, not abandoned. A recovery that
// cannot finish is logged and keeps nothing from opening; the next unpack into the
// folder tries again, and says what to do if it cannot.
void frmDataLoader::FinishInterruptedRefresh(const std::wstring& dataFolder) {
  const FolderLocks::Attempt lock = platform_.locks.TryLock(dataFolder, unattended_);
  if (lock.outcome == FolderLocks::Outcome::kHeld) {
    platform_.log.Write(L"Recovery at start skipped: " + HolderInLog(lock.holder) + L" holds " +
                        dataFolder);
    return;
  }
  try {
    platform_.components.CreateUnpackRecovery()->FinishInterruptedUnpacking(dataFolder);
  } catch (...) {
    const Error failure = CurrentError();
    platform_.log.Write(L"Recovery at start not finished, tried again at the next unpack: " +
                        DescribeFailure(failure.Number(), failure.Description()));
  }
}

// Looks for the product beside this program, then in the usual install folders.
// InstallPath keeps the last folder tried when the product is nowhere.
void frmDataLoader::ProbeInstallPath() {
  const std::wstring ownFolder = WithTrailingSeparator(platform_.environment.ExecutableFolder());
  for (const std::wstring& folder :
       {ownFolder, std::wstring(kProgramFilesFolder), std::wstring(kProgramFilesX86Folder)}) {
    InstallPath = folder;
    const bool found = platform_.fileSystem.FileExists(InstallPath + kProbeFile);
    platform_.log.Write(L"Probe " + InstallPath + kProbeFile +
                        (found ? L": found" : L": not there"));
    if (found) return;
  }
  platform_.messageBoxes.Show(
      L"Could not locate VYN Veltrix Data folder - please call tech support", kAppTitle,
      MessageButtons::kOk);
  Item(L"txtDatapath").SetEnabled(true);
}

void frmDataLoader::UpdateDownloadButton() {
  bool chosen = Item(L"chkMls").Value() == 1 || Item(L"chkTax").Value() == 1;
  Item(L"cmdDownload").SetEnabled(chosen);
}

// While the sequence runs, its choices are greyed: a click that Windows queued
// during a long step (the unpack) finds nothing to press, and one that still
// arrives starts nothing.
void frmDataLoader::cmdDownload_Click() {
  if (sequenceRunning_) {
    platform_.log.Write(L"Download pressed while the refresh runs: nothing more started");
    return;
  }
  sequenceRunning_ = true;
  for (const wchar_t* name : {L"cmdDownload", L"chkMls", L"chkTax"}) {
    Item(name).SetEnabled(false);
  }
  struct Done {
    frmDataLoader& window;
    ~Done() {
      window.sequenceRunning_ = false;
      if (!window.Loaded()) return;
      window.Item(L"chkMls").SetEnabled(true);
      window.Item(L"chkTax").SetEnabled(true);
      window.UpdateDownloadButton();
    }
  } done{*this};
  RefreshChosenSets();
}

void frmDataLoader::OnClick(const std::wstring& control) {
  try {
    if (control == L"chkMls" || control == L"chkTax") {
      if (!sequenceRunning_) UpdateDownloadButton();
    } else if (control == L"cmdDownload") {
      cmdDownload_Click();
    } else if (control == L"cmdClose") {
      platform_.log.Write(L"Close pressed");
      Unload();
    }
  } catch (...) {
    const Error failure = CurrentError();
    platform_.log.Write(L"Run-time error, the program ends: " +
                        DescribeFailure(failure.Number(), failure.Description()));
    throw;
  }
}

}  // namespace vyn
