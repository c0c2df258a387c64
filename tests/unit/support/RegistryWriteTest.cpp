#include <gtest/gtest.h>

#include "RegistryTestSupport.h"

namespace vyn {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Stored(const fakes::FakeRegistry& registry, const std::wstring& key,
                   const std::wstring& name, std::uint32_t type) {
  auto value = registry.Value(key, name);
  if (!value) return "<missing>";
  EXPECT_EQ(value->type, type);
  return value->bytes;
}

TEST_F(RegistryTest, WriteCreatesTheKeyWithItsRights) {
  Set(L"Tax Path Local", RegistryValue::String(L"C:\\Tax\\"), kRegSz);

  EXPECT_TRUE(registry.KeyExists(L"Software"));
  EXPECT_TRUE(registry.KeyExists(L"Software\\Tevrin Labs"));
  EXPECT_EQ(registry.lastCreateOptions, 0u);
  EXPECT_EQ(registry.lastCreateAccess, 0x23Fu);  // 0x3F in the 32-bit view
  EXPECT_EQ(registry.HandlesOpened(), 1);
}

TEST_F(RegistryTest, StringsAreWrittenWithTheirClosingNuls) {
  Set(L"Sz", RegistryValue::String(L"abc"), kRegSz);
  Set(L"Expand", RegistryValue::String(L"%TEMP%"), kRegExpandSz);
  Set(L"Multi", RegistryValue::String(std::wstring(L"a\0b", 3)), kRegMultiSz);
  Set(L"Empty", RegistryValue(), kRegSz);
  Set(L"Number", RegistryValue::Integer(-12), kRegSz);

  EXPECT_EQ(Stored(registry, kKey, L"Sz", kRegSz), std::string("abc\0", 4));
  EXPECT_EQ(Stored(registry, kKey, L"Expand", kRegExpandSz), std::string("%TEMP%\0", 7));
  EXPECT_EQ(Stored(registry, kKey, L"Multi", kRegMultiSz), std::string("a\0b\0\0", 5));
  EXPECT_EQ(Stored(registry, kKey, L"Empty", kRegSz), std::string("\0", 1));
  EXPECT_EQ(Stored(registry, kKey, L"Number", kRegSz), std::string("-12\0", 4));
}

TEST_F(RegistryTest, DwordIsWrittenAsFourLittleEndianBytes) {
  Set(L"Minus one", RegistryValue::Integer(-1), kRegDword);
  Set(L"Number", RegistryValue::Integer(0x12345678), kRegDword);
  Set(L"Text", RegistryValue::String(L"258"), kRegDword);

  EXPECT_EQ(Stored(registry, kKey, L"Minus one", kRegDword), "\xFF\xFF\xFF\xFF");
  EXPECT_EQ(Stored(registry, kKey, L"Number", kRegDword), "\x78\x56\x34\x12");
  EXPECT_EQ(Stored(registry, kKey, L"Text", kRegDword), std::string("\x02\x01\0\0", 4));
}

TEST_F(RegistryTest, BinaryIsWrittenFromElementZeroToTheLast) {
  Set(L"From zero", RegistryValue::Bytes(Bytes{1, 2, 3}), kRegBinary);
  Set(L"From minus one", RegistryValue::Bytes(ByteArray{-1, {9, 1, 2, 3}}), kRegBinary);
  Set(L"Only zero", RegistryValue::Bytes(ByteArray{-3, {7, 7, 7, 0}}), kRegBinary);

  EXPECT_EQ(Stored(registry, kKey, L"From zero", kRegBinary), "\x01\x02\x03");
  EXPECT_EQ(Stored(registry, kKey, L"From minus one", kRegBinary), "\x01\x02\x03");
  EXPECT_EQ(Stored(registry, kKey, L"Only zero", kRegBinary), std::string("\0", 1));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RegistryTest, BinaryWithoutElementZeroTakesTheFailurePath) {
  struct Case {
    const wchar_t* name;
    RegistryValue value;
    const wchar_t* text;
  };
  const Case cases[] = {
      {L"Lower bound one", RegistryValue::Bytes(ByteArray{1, {1, 2}}),
       L"Error: 9. Subscript out of range"},
      {L"No elements", RegistryValue::Bytes(Bytes{}), L"Error: 9. Subscript out of range"},
      {L"Ends below zero", RegistryValue::Bytes(ByteArray{-2, {1}}),
       L"Error: 9. Subscript out of range"},
      {L"Empty", RegistryValue(), L"Error: 13. Type mismatch"},
      {L"String", RegistryValue::String(L"abc"), L"Error: 13. Type mismatch"},
  };

  for (const Case& c : cases) Set(c.name, c.value, kRegBinary);

  ASSERT_EQ(boxes.Shown().size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(boxes.Shown()[i].text, cases[i].text) << NarrowForDiagnostics(cases[i].name);
    EXPECT_EQ(boxes.Shown()[i].title, L"RegistrySetKeyValue");
    EXPECT_EQ(boxes.Shown()[i].buttons, MessageButtons::kOk);
  }
  // The key was created before the data failed; no value was written.
  EXPECT_TRUE(registry.KeyExists(kKey));
  EXPECT_EQ(registry.ValueCount(kKey), 0u);
  EXPECT_EQ(registry.SetValueCalls(), 0);
}

TEST_F(RegistryTest, ValuesThatDoNotConvertTakeTheFailurePath) {
  Set(L"Array as text", RegistryValue::Strings({L"a"}), kRegSz);
  Set(L"Bytes as number", RegistryValue::Bytes(Bytes{1}), kRegDword);
  Set(L"Word as number", RegistryValue::String(L"many"), kRegDword);
  Set(L"Too large", RegistryValue::String(L"2147483648"), kRegDword);

  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::wstring>{L"Error: 13. Type mismatch", L"Error: 13. Type mismatch",
                                       L"Error: 13. Type mismatch", L"Error: 6. Overflow"}));
  EXPECT_EQ(registry.ValueCount(kKey), 0u);
}

TEST_F(RegistryTest, TypeNotHandledCreatesTheKeyOnly) {
  Set(L"Qword", RegistryValue::Integer(5), kRegQword);

  EXPECT_TRUE(registry.KeyExists(kKey));
  EXPECT_EQ(registry.ValueCount(kKey), 0u);
  EXPECT_EQ(registry.SetValueCalls(), 0);
  EXPECT_TRUE(boxes.Shown().empty());
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

TEST_F(RegistryTest, EveryHandledTypeReadsBackWhatWasWritten) {
  const RegistryValue text = RegistryValue::String(L"C:\\Tax Data\\");
  const RegistryValue number = RegistryValue::Integer(-7);
  const RegistryValue bytes = RegistryValue::Bytes(Bytes{0, 1, 254, 255});

  Set(L"Sz", text, kRegSz);
  Set(L"Dword", number, kRegDword);
  Set(L"Binary", bytes, kRegBinary);
  Set(L"Multi", RegistryValue::String(std::wstring(L"one\0two", 7)), kRegMultiSz);

  EXPECT_EQ(Get(L"Sz"), text);
  EXPECT_EQ(Get(L"Dword"), number);
  EXPECT_EQ(Get(L"Binary"), bytes);
  EXPECT_EQ(Get(L"Multi"), RegistryValue::Strings({L"one", L"two"}));
  EXPECT_EQ(registry.HandlesOpened(), 8);
}

}  // namespace
}  // namespace vyn
