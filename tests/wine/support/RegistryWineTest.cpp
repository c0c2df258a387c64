#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "FakeMessageBoxes.h"
#include "RegistryCases.h"
#include "ScratchKey.h"
#include "platform/Error.h"
#include "platform/win32/Win32AnsiCodec.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Registry.h"
#include "support/basRegistry.h"

namespace vyn::registry_cases {
namespace {

using winetest::kHkeyCurrentUser;

// The real registry, counting the handles it hands out and takes back and the
// values it writes.
class CountingRegistry : public Win32Registry {
 public:
  int open = 0;
  int opened = 0;
  int writes = 0;

  std::int32_t RegOpenKeyExA(RegistryHandle key, const std::string& subKey, std::uint32_t options,
                             std::uint32_t access, RegistryHandle* result) override {
    return Count(Win32Registry::RegOpenKeyExA(key, subKey, options, access, result));
  }
  std::int32_t RegCreateKeyExA(RegistryHandle key, const std::string& subKey, std::uint32_t options,
                               std::uint32_t access, RegistryHandle* result,
                               std::uint32_t* disposition) override {
    return Count(Win32Registry::RegCreateKeyExA(key, subKey, options, access, result, disposition));
  }
  std::int32_t RegSetValueExA(RegistryHandle key, const std::string& valueName, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) override {
    ++writes;
    return Win32Registry::RegSetValueExA(key, valueName, type, data, size);
  }
  std::int32_t RegCloseKey(RegistryHandle key) override {
    const std::int32_t status = Win32Registry::RegCloseKey(key);
    if (status == 0) --open;
    return status;
  }

 private:
  std::int32_t Count(std::int32_t status) {
    if (status == 0) {
      ++open;
      ++opened;
    }
    return status;
  }
};

// Value names as the ANSI calls take them.
std::string Narrow(const std::wstring& name) {
  return Win32AnsiCodec().ToAnsi(name);
}

// The registry procedures over a scratch key of the real registry and the
// process's own environment.
class RealRegistryBackend {
 public:
  struct StoredValue {
    std::uint32_t type = 0;
    std::string bytes;
  };

  ~RealRegistryBackend() {
    for (const wchar_t* name : {L"VYN_A", L"VYN_B", L"VYN_C"}) SetVariable(name, nullptr);
  }

  RegistryValue Get(const std::wstring& name) {
    return basRegistry::RegistryGetKeyValue(services, kHkeyCurrentUser, key.WidePath(), name);
  }
  RegistryValue GetMissingKey(const std::wstring& name) {
    return basRegistry::RegistryGetKeyValue(services, kHkeyCurrentUser,
                                            L"Software\\VYNDataLoader Tests\\No such key", name);
  }
  void Set(const std::wstring& name, const RegistryValue& value, std::int32_t type) {
    basRegistry::RegistrySetKeyValue(services, kHkeyCurrentUser, key.WidePath(), name, value, type);
  }
  void Store(const std::wstring& name, std::uint32_t type, const std::string& bytes) {
    ASSERT_EQ(key.SetRaw(Narrow(name).c_str(), type, bytes), ERROR_SUCCESS);
  }
  void AddKey() { ASSERT_EQ(key.SetRaw("Other", REG_SZ, std::string("x\0", 2)), ERROR_SUCCESS); }
  std::optional<StoredValue> Stored(const std::wstring& name) const {
    DWORD type = 0;
    std::string bytes;
    if (!key.GetRaw(Narrow(name).c_str(), &type, &bytes)) return std::nullopt;
    return StoredValue{type, bytes};
  }
  bool KeyExists() const { return key.Exists(); }
  std::size_t ValueCount() const { return key.ValueCount(); }
  int HandlesOpened() const { return registry.opened; }
  int ValueWrites() const { return registry.writes; }
  void SetVariable(const wchar_t* name, const wchar_t* text) {
    SetEnvironmentVariableW(name, text);
  }
  void ExpectHandlesClosed() const { EXPECT_EQ(registry.open, 0) << "a key handle was left open"; }

  winetest::ScratchKey key;
  CountingRegistry registry;
  Win32AnsiCodec ansi;
  Win32Environment environment;
  fakes::FakeMessageBoxes boxes;
  RegistryServices services{registry, ansi, environment, boxes};
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Real, RegistryCases, RealRegistryBackend);

namespace {

class RegistryWineTest : public ::testing::Test, protected RealRegistryBackend {
 protected:
  void TearDown() override { ExpectHandlesClosed(); }
};

// A test key under HKEY_LOCAL_MACHINE\Software, present in both views of the
// registry and deleted from both when the test ends.
class MachineTestKey {
 public:
  MachineTestKey()
      : path_("Software\\VYNDataLoader Tests\\view-" + std::to_string(GetCurrentProcessId())) {}
  ~MachineTestKey() {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), view, 0);
      RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\VYNDataLoader Tests", view, 0);
    }
  }
  MachineTestKey(const MachineTestKey&) = delete;
  MachineTestKey& operator=(const MachineTestKey&) = delete;

  std::wstring WidePath() const { return std::wstring(path_.begin(), path_.end()); }

  LONG Set(REGSAM view, const char* name, const std::string& text) const {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | view, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return status;
  }

  // A REG_SZ value below `path` (default: this key) in one view; nullopt when missing.
  std::optional<std::string> Get(REGSAM view, const char* name, std::string path = {}) const {
    if (path.empty()) path = path_;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != 0) {
      return std::nullopt;
    }
    char text[256] = {};
    DWORD size = sizeof text - 1;
    LONG status =
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return std::string(text);
  }

  // This key as a 64-bit program sees the 32-bit view of it.
  std::string Wow6432NodePath() const {
    return "Software\\Wow6432Node" + path_.substr(std::string("Software").size());
  }

 private:
  std::string path_;
};

// The product's keys are in the 32-bit view: values are read there and only
// there, and a write lands there, which a 64-bit program sees under Wow6432Node.
TEST_F(RegistryWineTest, ReadsAndWritesTheRegistrys32BitViewOnly) {
  MachineTestKey machine;
  ASSERT_EQ(machine.Set(KEY_WOW64_32KEY, "Both", "32-bit view"), ERROR_SUCCESS);
  ASSERT_EQ(machine.Set(KEY_WOW64_64KEY, "Both", "64-bit view"), ERROR_SUCCESS);
  ASSERT_EQ(machine.Set(KEY_WOW64_64KEY, "Only 64", "64-bit view"), ERROR_SUCCESS);
  ASSERT_EQ(machine.Get(KEY_WOW64_64KEY, "Both"), "64-bit view") << "the views are one";

  const RegistryValue both =
      basRegistry::RegistryGetKeyValue(services, kHkeyLocalMachine, machine.WidePath(), L"Both");
  const RegistryValue only64 =
      basRegistry::RegistryGetKeyValue(services, kHkeyLocalMachine, machine.WidePath(), L"Only 64");
  basRegistry::RegistrySetKeyValue(services, kHkeyLocalMachine, machine.WidePath(), L"Written",
                                   RegistryValue::String(L"C:\\Tax\\"), kRegSz);

  EXPECT_EQ(both, RegistryValue::String(L"32-bit view"));
  EXPECT_TRUE(only64.IsEmpty());
  EXPECT_EQ(machine.Get(KEY_WOW64_32KEY, "Written"), "C:\\Tax\\");
  EXPECT_EQ(machine.Get(KEY_WOW64_64KEY, "Written", machine.Wow6432NodePath()), "C:\\Tax\\");
  EXPECT_FALSE(machine.Get(KEY_WOW64_64KEY, "Written"));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST(AnsiCodecWineTest, TextRoundTripsThroughTheCodePage) {
  const Win32AnsiCodec ansi;
  const std::wstring text(L"Z\u00FCrich\0C:\\Temp", 14);

  const std::string bytes = ansi.ToAnsi(text);

  EXPECT_EQ(ansi.FromAnsi(bytes), text);
  EXPECT_EQ(bytes.substr(0, 1), "Z");
  EXPECT_EQ(ansi.ToAnsi(L""), "");
  EXPECT_EQ(ansi.FromAnsi(""), L"");
}

}  // namespace
}  // namespace vyn::registry_cases
