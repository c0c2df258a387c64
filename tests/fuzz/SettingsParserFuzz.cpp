// Parses bytes as a settings file. What parses must survive being written and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "components/settings/SettingsDocument.h"
#include "components/settings/SettingsValues.h"

namespace {

bool SameValues(const vyn::SettingsValues& a, const vyn::SettingsValues& b) {
  return a.dataFolder == b.dataFolder && a.filePrefix == b.filePrefix &&
         a.taxDataAvailable == b.taxDataAvailable && a.settingsKey == b.settingsKey &&
         a.taxDataLocation == b.taxDataLocation && a.mlsDataUpdated == b.mlsDataUpdated &&
         a.taxDataUpdated == b.taxDataUpdated;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::wstring appData = L"C:\\ProgramData\\Veltrix\\";
  vyn::SettingsDocument document;
  try {
    document = vyn::SettingsDocument::Parse(text);
  } catch (const vyn::SettingsSyntaxError& bad) {
    if (bad.line < 1 || bad.problem.empty()) std::abort();
    return 0;
  }

  const std::string written = document.Serialize();
  const vyn::SettingsDocument reread = vyn::SettingsDocument::Parse(written);
  if (reread.Serialize() != written) std::abort();

  try {
    const vyn::SettingsValues values = vyn::InterpretSettings(document, appData);
    if (values.dataFolder.empty() || values.dataFolder.back() != L'\\') std::abort();
    if (values.settingsKey.empty() || values.settingsKey.back() == L'\\') std::abort();
    if (values.filePrefix.empty()) std::abort();
    if (!SameValues(values, vyn::InterpretSettings(reread, appData))) std::abort();
  } catch (const vyn::SettingsSyntaxError& bad) {
    if (bad.line < 1 || bad.problem.empty()) std::abort();
  }
  return 0;
}
