#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "FakeEnvironment.h"
#include "FakeMessageBoxes.h"
#include "FakeRegistry.h"
#include "Latin1Codec.h"
#include "platform/Error.h"
#include "support/RegistryValue.h"
#include "support/basRegistry.h"

namespace vyn {

// Readable failures for values.
inline void PrintTo(const RegistryValue& value, std::ostream* out) {
  switch (value.GetKind()) {
    case RegistryValue::Kind::kEmpty:
      *out << "<empty>";
      break;
    case RegistryValue::Kind::kString:
      *out << "string \"" << NarrowForDiagnostics(value.ToString()) << "\"";
      break;
    case RegistryValue::Kind::kInteger:
      *out << "integer " << value.ToInteger();
      break;
    case RegistryValue::Kind::kByteArray: {
      const ByteArray& bytes = value.ToByteArray();
      *out << "bytes from " << bytes.lowerBound << " {";
      for (auto b : bytes.elements) *out << ' ' << static_cast<int>(b);
      *out << " }";
      break;
    }
    case RegistryValue::Kind::kStringArray:
      *out << "strings {";
      for (const auto& s : value.ToStrings()) *out << " \"" << NarrowForDiagnostics(s) << "\"";
      *out << " }";
      break;
  }
}

// The registry operations over an in-memory registry. Every test also checks that
// each handle it opened was closed exactly once.
class RegistryTest : public ::testing::Test {
 protected:
  static constexpr const wchar_t* kKey = L"Software\\Tevrin Labs\\Veltrix";

  void TearDown() override {
    EXPECT_EQ(registry.OpenHandles(), 0) << "a key handle was left open";
    EXPECT_EQ(registry.BadCloses(), 0) << "a handle was closed that was not open";
  }

  RegistryValue Get(const std::wstring& name) {
    return basRegistry::RegistryGetKeyValue(services, kHkeyLocalMachine, kKey, name);
  }
  void Set(const std::wstring& name, const RegistryValue& value, std::int32_t type) {
    basRegistry::RegistrySetKeyValue(services, kHkeyLocalMachine, kKey, name, value, type);
  }
  void Store(const std::wstring& name, std::uint32_t type, const std::string& bytes) {
    registry.SetValue(kKey, name, type, bytes);
  }

  fakes::FakeRegistry registry;
  fakes::FakeEnvironment environment;
  fakes::FakeMessageBoxes boxes;
  fakes::Latin1Codec latin1;
  RegistryServices services{registry, latin1, environment, boxes};
};

}  // namespace vyn
