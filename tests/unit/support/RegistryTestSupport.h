#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "FakeEnvironment.h"
#include "FakeMessageBoxes.h"
#include "FakeRegistry.h"
#include "Latin1Codec.h"
#include "RegistryCases.h"
#include "platform/Error.h"
#include "support/RegistryValue.h"
#include "support/basRegistry.h"

namespace vyn {

// The registry procedures over an in-memory registry, as the backend of the
// shared registry cases and of the fake's own tests.
class FakeRegistryBackend {
 public:
  static constexpr const wchar_t* kKey = L"Software\\Tevrin Labs\\Veltrix";

  RegistryValue Get(const std::wstring& name) {
    return basRegistry::RegistryGetKeyValue(services, kHkeyLocalMachine, kKey, name);
  }
  RegistryValue GetMissingKey(const std::wstring& name) {
    return basRegistry::RegistryGetKeyValue(services, kHkeyLocalMachine, L"Software\\Nobody", name);
  }
  void Set(const std::wstring& name, const RegistryValue& value, std::int32_t type) {
    basRegistry::RegistrySetKeyValue(services, kHkeyLocalMachine, kKey, name, value, type);
  }
  void Store(const std::wstring& name, std::uint32_t type, const std::string& bytes) {
    registry.SetValue(kKey, name, type, bytes);
  }
  void AddKey() { registry.AddKey(kKey); }
  std::optional<fakes::FakeRegistry::StoredValue> Stored(const std::wstring& name) const {
    return registry.Value(kKey, name);
  }
  bool KeyExists() const { return registry.KeyExists(kKey); }
  std::size_t ValueCount() const { return registry.ValueCount(kKey); }
  int HandlesOpened() const { return registry.HandlesOpened(); }
  int ValueWrites() const { return registry.SetValueCalls(); }
  void SetVariable(const wchar_t* name, const wchar_t* text) {
    if (text) {
      environment.variables[name] = text;
    } else {
      environment.variables.erase(name);
    }
  }
  // Each handle opened was closed exactly once.
  void ExpectHandlesClosed() const {
    EXPECT_EQ(registry.OpenHandles(), 0) << "a key handle was left open";
    EXPECT_EQ(registry.BadCloses(), 0) << "a handle was closed that was not open";
  }

  fakes::FakeRegistry registry;
  fakes::FakeEnvironment environment;
  fakes::FakeMessageBoxes boxes;
  fakes::Latin1Codec latin1;
  RegistryServices services{registry, latin1, environment, boxes};
};

class RegistryTest : public ::testing::Test, protected FakeRegistryBackend {
 protected:
  void TearDown() override { ExpectHandlesClosed(); }
};

}  // namespace vyn
