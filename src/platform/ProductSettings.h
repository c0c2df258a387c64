#pragma once

#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace vyn {

// The product's settings component, as the program uses it. Operations stand in
// the order of the component's interface slots. Failures are thrown as Error.
class ProductSettings {
 public:
  virtual ~ProductSettings() = default;
  virtual void AppDataFolder(const std::wstring& folder) = 0;
  // Ends in "\": file names are appended to it directly.
  virtual std::wstring DataFolder() = 0;
  virtual void TaxDataFolder(const std::wstring& folder) = 0;
  virtual std::wstring TaxDataLocation() = 0;
  virtual Boolean TaxDataAvailable() = 0;
  virtual std::wstring FilePrefix() = 0;
  // A key under HKEY_LOCAL_MACHINE without a trailing "\".
  virtual std::wstring SettingsKey() = 0;
  virtual void MlsDataUpdated(std::int32_t updated) = 0;
  virtual void TaxDataUpdated(std::int32_t updated) = 0;
  virtual void LoadSettings() = 0;
};

}  // namespace vyn
