#pragma once

#include "platform/RegistryApi.h"

namespace vyn {

// The registry's ANSI entry points (advapi32). Handles are HKEYs as integers, so
// predefined hives, being sign-extended 32-bit values, pass through unchanged.
class Win32Registry : public RegistryApi {
 public:
  std::int32_t RegOpenKeyExA(RegistryHandle key, const std::string& subKey, std::uint32_t options,
                             std::uint32_t access, RegistryHandle* result) override;
  std::int32_t RegQueryValueExA(RegistryHandle key, const std::string& valueName,
                                std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* size) override;
  std::int32_t RegCreateKeyExA(RegistryHandle key, const std::string& subKey, std::uint32_t options,
                               std::uint32_t access, RegistryHandle* result,
                               std::uint32_t* disposition) override;
  std::int32_t RegSetValueExA(RegistryHandle key, const std::string& valueName, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) override;
  std::int32_t RegCloseKey(RegistryHandle key) override;
};

}  // namespace vyn
