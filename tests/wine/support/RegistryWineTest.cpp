#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "FakeMessageBoxes.h"
#include "ScratchKey.h"
#include "platform/Error.h"
#include "platform/win32/Win32AnsiCodec.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Registry.h"
#include "support/basRegistry.h"

namespace vyn {
namespace {

using winetest::kHkeyCurrentUser;
using Bytes = std::vector<std::uint8_t>;

// The real registry, counting the handles it hands out and takes back.
class CountingRegistry : public Win32Registry {
 public:
  int open = 0;
  int opened = 0;

  std::int32_t RegOpenKeyExA(RegistryHandle key, const std::string& subKey, std::uint32_t options,
                             std::uint32_t access, RegistryHandle* result) override {
    return Count(Win32Registry::RegOpenKeyExA(key, subKey, options, access, result));
  }
  std::int32_t RegCreateKeyExA(RegistryHandle key, const std::string& subKey, std::uint32_t options,
                               std::uint32_t access, RegistryHandle* result,
                               std::uint32_t* disposition) override {
    return Count(Win32Registry::RegCreateKeyExA(key, subKey, options, access, result, disposition));
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

class RegistryWineTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(registry.open, 0) << "a key handle was left open"; }

  RegistryValue Get(const std::wstring& name) {
    return basRegistry::RegistryGetKeyValue(services, kHkeyCurrentUser, key.WidePath(), name);
  }
  void Set(const std::wstring& name, const RegistryValue& value, std::int32_t type) {
    basRegistry::RegistrySetKeyValue(services, kHkeyCurrentUser, key.WidePath(), name, value, type);
  }

  winetest::ScratchKey key;
  CountingRegistry registry;
  Win32AnsiCodec ansi;
  Win32Environment environment;
  fakes::FakeMessageBoxes boxes;
  RegistryServices services{registry, ansi, environment, boxes};
};

TEST_F(RegistryWineTest, EveryHandledTypeRoundTripsThroughTheRegistry) {
  const RegistryValue text = RegistryValue::String(L"C:\\Tax Data\\");
  const RegistryValue expandable = RegistryValue::String(L"no variables");
  const RegistryValue bytes = RegistryValue::Bytes(Bytes{0, 1, 254, 255});
  const RegistryValue number = RegistryValue::Integer(-123456);

  Set(L"Sz", text, kRegSz);
  Set(L"Expand", expandable, kRegExpandSz);
  Set(L"Binary", bytes, kRegBinary);
  Set(L"Dword", number, kRegDword);
  Set(L"Multi", RegistryValue::String(std::wstring(L"one\0two", 7)), kRegMultiSz);

  EXPECT_EQ(Get(L"Sz"), text);
  EXPECT_EQ(Get(L"Expand"), expandable);
  EXPECT_EQ(Get(L"Binary"), bytes);
  EXPECT_EQ(Get(L"Dword"), number);
  EXPECT_EQ(Get(L"Multi"), RegistryValue::Strings({L"one", L"two"}));
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(registry.opened, 10);
}

TEST_F(RegistryWineTest, WritesStoreTheBytesOfEachType) {
  Set(L"Sz", RegistryValue::String(L"abc"), kRegSz);
  Set(L"Multi", RegistryValue::String(std::wstring(L"a\0b", 3)), kRegMultiSz);
  Set(L"Dword", RegistryValue::Integer(-1), kRegDword);
  Set(L"Binary", RegistryValue::Bytes(ByteArray{-1, {9, 1, 2, 3}}), kRegBinary);

  DWORD type = 0;
  std::string raw;
  ASSERT_TRUE(key.GetRaw("Sz", &type, &raw));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw, std::string("abc\0", 4));
  ASSERT_TRUE(key.GetRaw("Multi", &type, &raw));
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(raw, std::string("a\0b\0\0", 5));
  ASSERT_TRUE(key.GetRaw("Dword", &type, &raw));
  EXPECT_EQ(raw, "\xFF\xFF\xFF\xFF");
  ASSERT_TRUE(key.GetRaw("Binary", &type, &raw));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(raw, "\x01\x02\x03");
}

TEST_F(RegistryWineTest, RawValuesReadByTheRules) {
  ASSERT_EQ(key.SetRaw("Zero", REG_SZ, ""), ERROR_SUCCESS);
  ASSERT_EQ(key.SetRaw("Embedded", REG_SZ, std::string("abc\0def\0", 8)), ERROR_SUCCESS);
  ASSERT_EQ(key.SetRaw("All ones", REG_DWORD, "\xFF\xFF\xFF\xFF"), ERROR_SUCCESS);
  ASSERT_EQ(key.SetRaw("Multi two", REG_MULTI_SZ, std::string("\0\0", 2)), ERROR_SUCCESS);
  ASSERT_EQ(key.SetRaw("Multi one", REG_MULTI_SZ, std::string("\0", 1)), ERROR_SUCCESS);
  ASSERT_EQ(key.SetRaw("Three", REG_BINARY, std::string("\x01\x00\x03", 3)), ERROR_SUCCESS);

  EXPECT_EQ(Get(L"Zero"), RegistryValue::String(L""));
  EXPECT_EQ(Get(L"Embedded"), RegistryValue::String(L"abc"));
  EXPECT_EQ(Get(L"All ones"), RegistryValue::Integer(-1));
  EXPECT_EQ(Get(L"Multi two"), RegistryValue::Strings({}));
  EXPECT_EQ(Get(L"Multi one"), RegistryValue::Strings({}));
  EXPECT_EQ(Get(L"Three"), RegistryValue::Bytes(Bytes{1, 0, 3}));
}

TEST_F(RegistryWineTest, MissingAndUnhandledValuesReadAsEmpty) {
  ASSERT_EQ(key.SetRaw("Qword", REG_QWORD, std::string(8, '\x01')), ERROR_SUCCESS);
  ASSERT_EQ(key.SetRaw("None", REG_NONE, "abc"), ERROR_SUCCESS);

  EXPECT_TRUE(Get(L"Qword").IsEmpty());
  EXPECT_TRUE(Get(L"None").IsEmpty());
  EXPECT_TRUE(Get(L"Missing").IsEmpty());
  EXPECT_TRUE(basRegistry::RegistryGetKeyValue(services, kHkeyCurrentUser,
                                               L"Software\\VYNDataLoader Tests\\No such key", L"X")
                  .IsEmpty());
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RegistryWineTest, UnhandledTypeCreatesTheKeyOnly) {
  Set(L"Qword", RegistryValue::Integer(5), kRegQword);

  EXPECT_TRUE(key.Exists());
  EXPECT_EQ(key.ValueCount(), 0u);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RegistryWineTest, BinaryWithoutElementZeroWritesNothingAndIsShown) {
  Set(L"Lower bound one", RegistryValue::Bytes(ByteArray{1, {1, 2}}), kRegBinary);
  Set(L"No elements", RegistryValue::Bytes(Bytes{}), kRegBinary);
  Set(L"Empty", RegistryValue(), kRegBinary);

  EXPECT_EQ(boxes.Texts(), (std::vector<std::wstring>{L"Error: 9. Subscript out of range",
                                                      L"Error: 9. Subscript out of range",
                                                      L"Error: 13. Type mismatch"}));
  for (const auto& shown : boxes.Shown()) EXPECT_EQ(shown.title, L"RegistrySetKeyValue");
  EXPECT_TRUE(key.Exists());
  EXPECT_EQ(key.ValueCount(), 0u);
}

TEST_F(RegistryWineTest, ExpandStringUsesTheProcessEnvironment) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"VYN_TEST_A", L"x"));
  ASSERT_TRUE(SetEnvironmentVariableW(L"VYN_TEST_B", L"yy"));
  ASSERT_EQ(key.SetRaw("Both", REG_EXPAND_SZ, std::string("%VYN_TEST_A%;%VYN_TEST_B%\0", 26)),
            ERROR_SUCCESS);
  ASSERT_EQ(key.SetRaw("Twice", REG_EXPAND_SZ, std::string("%VYN_TEST_A%\\%VYN_TEST_A%\0", 26)),
            ERROR_SUCCESS);
  ASSERT_EQ(key.SetRaw("Lone", REG_EXPAND_SZ, std::string("100%\0", 5)), ERROR_SUCCESS);

  const RegistryValue both = Get(L"Both");
  const RegistryValue twice = Get(L"Twice");
  const RegistryValue lone = Get(L"Lone");
  ASSERT_TRUE(SetEnvironmentVariableW(L"VYN_TEST_A", nullptr));
  const RegistryValue unset = Get(L"Both");
  SetEnvironmentVariableW(L"VYN_TEST_B", nullptr);

  EXPECT_EQ(both, RegistryValue::String(L"x;yy"));
  EXPECT_EQ(twice, RegistryValue::String(L"x\\x"));
  EXPECT_EQ(lone, RegistryValue::String(L"100%"));
  EXPECT_EQ(unset, RegistryValue::String(L";yy"));
}

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
}  // namespace vyn
