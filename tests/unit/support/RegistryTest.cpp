// The registry procedures over the in-memory registry: the cases every registry
// shares, and those only a fake can stage (a value changing between the two
// queries, failing queries and writes, a failing code page).
#include <gtest/gtest.h>

#include <new>
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

namespace registry_cases {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, RegistryCases, FakeRegistryBackend);
}

namespace {

// Query right only, in the 32-bit view where the product keeps its keys.
TEST_F(RegistryTest, ReadOpensTheKeyWithQueryRightOnly) {
  Store(L"AppData", kRegSz, std::string("C:\\Data\\\0", 9));

  const RegistryValue value = basRegistry::RegistryGetKeyValue(
      services, kHkeyLocalMachine, L"SOFTWARE\\tevrin labs\\VELTRIX", L"appdata");

  EXPECT_EQ(value, RegistryValue::String(L"C:\\Data\\"));
  EXPECT_EQ(registry.lastOpenOptions, 0u);
  EXPECT_EQ(registry.lastOpenAccess, 0x201u);
}

// The real registry's own conversion closes such a list; the procedure alone takes it whole.
TEST_F(RegistryTest, UnterminatedMultiStringIsOneString) {
  Store(L"Unterminated", kRegMultiSz, "abc");
  EXPECT_EQ(Get(L"Unterminated"), RegistryValue::Strings({L"abc"}));
}

TEST_F(RegistryTest, MultiStringIsTrimmedByTheSizeTheSecondQueryCopied) {
  Store(L"Shrinks", kRegMultiSz, std::string("abc\0d\0\0", 7));
  registry.afterSizeQuery = [&] { Store(L"Shrinks", kRegMultiSz, std::string("x\0\0", 3)); };

  EXPECT_EQ(Get(L"Shrinks"), RegistryValue::Strings({L"x"}));
}

TEST_F(RegistryTest, MultiStringShrunkBelowTwoBytesTakesTheFailurePath) {
  Store(L"Shrinks", kRegMultiSz, std::string("abc\0\0", 5));
  registry.afterSizeQuery = [&] { Store(L"Shrinks", kRegMultiSz, std::string("\0", 1)); };

  const RegistryValue value = Get(L"Shrinks");

  EXPECT_TRUE(value.IsEmpty());
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, L"Error: 5. Invalid procedure call or argument");
  EXPECT_EQ(boxes.Shown()[0].title, L"RegistryGetKeyValue");
  EXPECT_EQ(boxes.Shown()[0].buttons, MessageButtons::kOk);
}

TEST_F(RegistryTest, FailedSecondQueryReadsAsEmptyWithoutMessage) {
  Store(L"Sz", kRegSz, std::string("abc\0", 4));
  Store(L"Binary", kRegBinary, "\x01");
  Store(L"Dword", kRegDword, "\x01\x00\x00\x00");
  Store(L"Multi", kRegMultiSz, std::string("a\0\0", 3));
  registry.failDataQuery = kErrorMoreData;

  for (const wchar_t* name : {L"Sz", L"Binary", L"Dword", L"Multi"}) {
    EXPECT_TRUE(Get(name).IsEmpty()) << NarrowForDiagnostics(name);
  }
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(registry.HandlesOpened(), 4);
}

TEST_F(RegistryTest, WriteCreatesTheKeyWithItsRights) {
  Set(L"Tax Path Local", RegistryValue::String(L"C:\\Tax\\"), kRegSz);

  EXPECT_TRUE(registry.KeyExists(L"Software"));
  EXPECT_TRUE(registry.KeyExists(L"Software\\Tevrin Labs"));
  EXPECT_EQ(registry.lastCreateOptions, 0u);
  EXPECT_EQ(registry.lastCreateAccess, 0x23Fu);  // 0x3F in the 32-bit view
  EXPECT_EQ(registry.HandlesOpened(), 1);
}

TEST_F(RegistryTest, RefusedWritesAreReportedAndWriteNothing) {
  registry.failCreateKey = 5;
  Set(L"Denied key", RegistryValue::String(L"x"), kRegSz);
  registry.failCreateKey.reset();
  registry.failSetValue = 5;
  Set(L"Denied value", RegistryValue::String(L"x"), kRegSz);

  ASSERT_EQ(boxes.Shown().size(), 2u);
  for (const auto& box : boxes.Shown()) {
    EXPECT_EQ(box.text, L"Error: 5. Access is denied.");
    EXPECT_EQ(box.title, L"RegistrySetKeyValue");
    EXPECT_EQ(box.buttons, MessageButtons::kOk);
  }
  EXPECT_EQ(registry.ValueCount(kKey), 0u);
  EXPECT_EQ(registry.HandlesOpened(), 1);  // only the second call got a key
}

TEST_F(RegistryTest, UnhandledTypeIsNotReportedEvenWhenTheKeyIsRefused) {
  registry.failCreateKey = 5;
  Set(L"Qword", RegistryValue::Integer(5), kRegQword);
  EXPECT_TRUE(boxes.Shown().empty());
}

// A code page whose conversion back fails, as memory running out would.
class CodecFailingBack : public fakes::Latin1Codec {
 public:
  std::wstring FromAnsi(std::string_view) const override { throw std::bad_alloc(); }
};

TEST_F(RegistryTest, FailureInsideTheReadIsShownAndReadsAsEmpty) {
  Store(L"Sz", kRegSz, std::string("abc\0", 4));
  CodecFailingBack failing;
  const RegistryServices failingServices{registry, failing, environment, boxes};

  const RegistryValue value =
      basRegistry::RegistryGetKeyValue(failingServices, kHkeyLocalMachine, kKey, L"Sz");

  EXPECT_TRUE(value.IsEmpty());
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, L"Error: 7. Out of memory");
  EXPECT_EQ(boxes.Shown()[0].title, L"RegistryGetKeyValue");
  EXPECT_EQ(registry.HandlesOpened(), 1);
}

}  // namespace
}  // namespace vyn
