#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "components/settings/LocalClock.h"
#include "components/settings/SettingsDocument.h"
#include "components/settings/SettingsValues.h"
#include "platform/ErrorRanges.h"
#include "platform/ProductSettings.h"

namespace vyn {

// Name of the settings file in the application-data folder.
inline constexpr const wchar_t* kSettingsFileName = L"Veltrix Settings.txt";

// Error numbers of the settings component.
//   0x80042001  an operation came before AppDataFolder and LoadSettings, or got a bad argument
//   0x80042002  the settings file is malformed (the description names file, line and problem)
//   0x80042003  the settings file cannot be read
//   0x80042004  the settings file cannot be written (the old file is left as it was)
namespace settings_errors {
inline constexpr std::int32_t kNotReady = error_ranges::Number(error_ranges::kSettings, 1);
inline constexpr std::int32_t kMalformed = error_ranges::Number(error_ranges::kSettings, 2);
inline constexpr std::int32_t kUnreadable = error_ranges::Number(error_ranges::kSettings, 3);
inline constexpr std::int32_t kUnwritable = error_ranges::Number(error_ranges::kSettings, 4);
}  // namespace settings_errors

// The product's settings, kept in "Veltrix Settings.txt" in the application-data
// folder (format: docs/settings-file.md). Every change is saved at once, by
// replacing the whole file in one step.
class ProductSettingsFile : public ProductSettings {
 public:
  explicit ProductSettingsFile(LocalClock clock = SystemLocalClock());

  void AppDataFolder(const std::wstring& folder) override;
  std::wstring DataFolder() override;
  void TaxDataFolder(const std::wstring& folder) override;
  std::wstring TaxDataLocation() override;
  Boolean TaxDataAvailable() override;
  std::wstring FilePrefix() override;
  std::wstring SettingsKey() override;
  // A non-zero value records now as the time of the refresh; zero records nothing.
  void MlsDataUpdated(std::int32_t updated) override;
  void TaxDataUpdated(std::int32_t updated) override;
  // A missing file gives the defaults; it is written at the first change.
  void LoadSettings() override;

 private:
  const SettingsValues& Loaded(const wchar_t* operation) const;
  std::wstring SettingsFileText() const;
  // Saves the document with one setting changed; memory changes only once the file has.
  void SaveWith(const wchar_t* key, const std::wstring& value);
  // The file as it is on disk now; the document loaded before when it is gone.
  SettingsDocument CurrentDocument(const std::wstring& fileText) const;
  std::string ReadFileBytes(const std::wstring& fileText) const;

  LocalClock clock_;
  std::wstring appDataFolder_;  // ends in "\"; empty until given
  bool loaded_ = false;
  SettingsDocument document_;
  // The keys this run set, in order: each save applies them to the file as it is
  // then, so that what the product (or another run) wrote meanwhile stays.
  std::vector<std::pair<std::wstring, std::wstring>> changes_;
  SettingsValues values_;
};

}  // namespace vyn
