#pragma once

#include <string>

#include "components/settings/SettingsDocument.h"

namespace vyn {

// Names of the settings in the file.
namespace settings_keys {
inline constexpr const wchar_t* kDataFolder = L"DataFolder";
inline constexpr const wchar_t* kFilePrefix = L"FilePrefix";
inline constexpr const wchar_t* kTaxDataAvailable = L"TaxDataAvailable";
inline constexpr const wchar_t* kSettingsKey = L"SettingsKey";
inline constexpr const wchar_t* kTaxDataLocation = L"TaxDataLocation";
inline constexpr const wchar_t* kMlsDataUpdated = L"MlsDataUpdated";
inline constexpr const wchar_t* kTaxDataUpdated = L"TaxDataUpdated";
}  // namespace settings_keys

inline constexpr const wchar_t* kDefaultFilePrefix = L"VYN";

// The product's settings as the program reads them, defaults filled in.
struct SettingsValues {
  std::wstring dataFolder;  // ends in "\"
  std::wstring filePrefix;
  bool taxDataAvailable = false;
  std::wstring settingsKey;  // no leading or trailing "\"
  std::wstring taxDataLocation;
  std::wstring mlsDataUpdated;  // "YYYY-MM-DD HH:MM:SS" or empty
  std::wstring taxDataUpdated;
};

// Reads the known settings of a document; `appDataFolder` ends in "\" and gives
// the default data folder. Throws SettingsSyntaxError naming the line of a bad value.
SettingsValues InterpretSettings(const SettingsDocument& document,
                                 const std::wstring& appDataFolder);

}  // namespace vyn
