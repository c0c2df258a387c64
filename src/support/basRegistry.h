#pragma once

#include <cstdint>
#include <string>

#include "platform/AnsiCodec.h"
#include "platform/Environment.h"
#include "platform/MessageBoxes.h"
#include "platform/RegistryApi.h"
#include "support/RegistryValue.h"

namespace vyn {

// The services the registry operations use; each must outlive the call.
struct RegistryServices {
  RegistryApi& registry;
  const AnsiCodec& ansi;
  Environment& environment;  // for REG_EXPAND_SZ
  MessageBoxes& messageBoxes;
};

// The program's two registry operations, both in the registry's 32-bit view, where
// the product keeps its settings. Neither throws: an unexpected failure is shown in
// a box titled with the operation's name, then the read gives empty and the write
// ends without writing.
namespace basRegistry {

// One value, its kind following its registry type: REG_SZ and REG_EXPAND_SZ (with
// %NAME% expanded) a string, REG_BINARY a byte array from 0, REG_DWORD an integer,
// REG_MULTI_SZ an array of strings. Anything else, a missing key or value and a
// failed read give empty.
RegistryValue RegistryGetKeyValue(const RegistryServices& services, RegistryHive hive,
                                  const std::wstring& keyPath, const std::wstring& valueName);

// Creates the key (and any missing key above it) and writes one value of
// valueType. A type not handled writes nothing; platform results are not examined.
void RegistrySetKeyValue(const RegistryServices& services, RegistryHive hive,
                         const std::wstring& keyPath, const std::wstring& valueName,
                         const RegistryValue& value, std::int32_t valueType);

}  // namespace basRegistry
}  // namespace vyn
