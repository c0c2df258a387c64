#include "app/ProductRegistry.h"
#include "app/basCommonObj.h"
#include "app/frmDataLoader.h"
#include "platform/Error.h"
#include "support/basRegistry.h"

namespace vyn {

ExitCode frmDataLoader::RunUnattended(const CommandLine& line) {
  // The load step enables the data path box only when the product is nowhere:
  // there is nobody to type a folder.
  if (Item(L"txtDatapath").Enabled()) {
    platform_.log.Write(L"Refresh ends: the product was not found");
    return kExitProductNotFound;
  }
  ProductSettings& settings = *basCommonObj::objProductSettings;
  const bool chooseDefault = !line.mls && !line.tax;
  const bool tax = line.tax || (chooseDefault && settings.TaxDataAvailable() != kFalse);
  Item(L"chkMls").SetValue(line.mls || chooseDefault ? 1 : 0);
  Item(L"chkTax").SetValue(tax ? 1 : 0);
  try {
    RefreshChosenSets();
  } catch (...) {
    ReleaseDataFolder();
    const Error failure = CurrentError();
    platform_.log.Write(L"Refresh ends on a failure: " +
                        DescribeFailure(failure.Number(), failure.Description()));
    if (stage_ == Stage::kUnpack) return kExitUnpackFailed;
    if (stage_ == Stage::kRecord) return kExitRecordingFailed;
    return kExitRunTimeError;
  }
  if (stage_ == Stage::kBusy) return kExitDataFolderBusy;
  // After "Download Complete" the window is gone; a failed fetch (or a download
  // host that is no text) leaves it loaded.
  if (Loaded()) return kExitDownloadFailed;
  if (tax && !TaxLocationRecorded()) {
    platform_.log.Write(L"Refresh ends: \"Tax Path Local\" does not hold the tax data location");
    return kExitRecordingFailed;
  }
  return kExitOk;
}

// A refused registry write is reported by a box and the sequence goes on; an
// unattended run reads the value back instead.
bool frmDataLoader::TaxLocationRecorded() {
  ProductSettings& settings = *basCommonObj::objProductSettings;
  const RegistryValue recorded = basRegistry::RegistryGetKeyValue(
      Registry(), kHkeyLocalMachine, settings.SettingsKey() + kFileLocationsSubkey,
      kTaxPathLocalValue);
  return recorded.GetKind() == RegistryValue::Kind::kString &&
         recorded.ToString() == settings.TaxDataLocation();
}

}  // namespace vyn
