#pragma once

#include <cstdint>
#include <string>

namespace vyn {

// Root keys are 32-bit values; handles are whatever the platform hands out.
using RegistryHive = std::int32_t;
using RegistryHandle = std::uintptr_t;
constexpr RegistryHive kHkeyLocalMachine = static_cast<RegistryHive>(0x80000002u);

constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kRegQword = 11;

constexpr std::uint32_t kKeyQueryValue = 0x0001;
// Access flag: the 32-bit view of the registry (Wow6432Node on 64-bit Windows),
// whatever the bitness of the calling program.
constexpr std::uint32_t kKeyWow64_32Key = 0x0200;

// The system's error codes, as the registry functions return them; not the
// program's run-time error numbers (Error.h), though some share their values.
constexpr std::int32_t kErrorSuccess = 0;
constexpr std::int32_t kErrorFileNotFound = 2;
constexpr std::int32_t kErrorAccessDenied = 5;
constexpr std::int32_t kErrorInvalidHandle = 6;
constexpr std::int32_t kErrorMoreData = 234;
constexpr std::int32_t kErrorCantWrite = 1013;

// The registry's ANSI entry points, with the platform's argument order and return
// codes (0 = success). Strings are already in the ANSI code page. A hive may be
// passed wherever a key handle is taken.
class RegistryApi {
 public:
  virtual ~RegistryApi() = default;
  virtual std::int32_t RegOpenKeyExA(RegistryHandle key, const std::string& subKey,
                                     std::uint32_t options, std::uint32_t access,
                                     RegistryHandle* result) = 0;
  // data may be null (size query); size is in and out, in bytes.
  virtual std::int32_t RegQueryValueExA(RegistryHandle key, const std::string& valueName,
                                        std::uint32_t* type, std::uint8_t* data,
                                        std::uint32_t* size) = 0;
  virtual std::int32_t RegCreateKeyExA(RegistryHandle key, const std::string& subKey,
                                       std::uint32_t options, std::uint32_t access,
                                       RegistryHandle* result, std::uint32_t* disposition) = 0;
  virtual std::int32_t RegSetValueExA(RegistryHandle key, const std::string& valueName,
                                      std::uint32_t type, const std::uint8_t* data,
                                      std::uint32_t size) = 0;
  virtual std::int32_t RegCloseKey(RegistryHandle key) = 0;
};

// A hive as the handle the registry functions take.
inline RegistryHandle HiveHandle(RegistryHive hive) {
  // Predefined keys are sign-extended 32-bit values.
  return static_cast<RegistryHandle>(static_cast<std::intptr_t>(hive));
}

}  // namespace vyn
