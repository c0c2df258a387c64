#include <gtest/gtest.h>

#include <new>

#include "RegistryTestSupport.h"

namespace vyn {
namespace {

using Strings = std::vector<std::wstring>;

TEST_F(RegistryTest, MissingKeyReadsAsEmptyAndAsEmptyString) {
  const RegistryValue value =
      basRegistry::RegistryGetKeyValue(services, kHkeyLocalMachine, L"Software\\Nobody", L"X");

  EXPECT_TRUE(value.IsEmpty());
  EXPECT_EQ(value.ToString(), L"");
  EXPECT_EQ(registry.HandlesOpened(), 0);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RegistryTest, MissingValueReadsAsEmptyAndClosesTheKey) {
  registry.AddKey(kKey);

  const RegistryValue value = Get(L"Install Path");

  EXPECT_TRUE(value.IsEmpty());
  EXPECT_EQ(registry.HandlesOpened(), 1);
  EXPECT_TRUE(boxes.Shown().empty());
}

// Query right only, in the 32-bit view where the product keeps its keys.
TEST_F(RegistryTest, ReadOpensTheKeyWithQueryRightOnly) {
  Store(L"AppData", kRegSz, std::string("C:\\Data\\\0", 9));

  const RegistryValue value = basRegistry::RegistryGetKeyValue(
      services, kHkeyLocalMachine, L"SOFTWARE\\tevrin labs\\VELTRIX", L"appdata");

  EXPECT_EQ(value, RegistryValue::String(L"C:\\Data\\"));
  EXPECT_EQ(registry.lastOpenOptions, 0u);
  EXPECT_EQ(registry.lastOpenAccess, 0x201u);
}

TEST_F(RegistryTest, StringsAreCutAtTheirFirstNul) {
  Store(L"Embedded", kRegSz, std::string("abc\0def\0", 8));
  Store(L"Unterminated", kRegSz, "abc");
  Store(L"Zero bytes", kRegSz, "");

  EXPECT_EQ(Get(L"Embedded"), RegistryValue::String(L"abc"));
  EXPECT_EQ(Get(L"Unterminated"), RegistryValue::String(L"abc"));
  // A stored empty string is a string, not a missing setting.
  EXPECT_EQ(Get(L"Zero bytes"), RegistryValue::String(L""));
  EXPECT_EQ(registry.HandlesOpened(), 3);
}

TEST_F(RegistryTest, StringCharactersComeBackThroughTheCodePage) {
  Store(L"Name", kRegSz, std::string("Z\xFCrich\0", 7));

  EXPECT_EQ(Get(L"Name"), RegistryValue::String(L"Z\u00FCrich"));
}

TEST_F(RegistryTest, ExpandStringReplacesEnvironmentVariables) {
  environment.variables = {{L"A", L"x"}, {L"B", L"yy"}};
  Store(L"Both", kRegExpandSz, std::string("%A%;%B%\0", 8));
  Store(L"Twice", kRegExpandSz, std::string("%A%\\%A%\0", 8));
  Store(L"Lone", kRegExpandSz, std::string("100%\0", 5));
  Store(L"Plain", kRegSz, std::string("%A%\0", 4));

  EXPECT_EQ(Get(L"Both"), RegistryValue::String(L"x;yy"));
  EXPECT_EQ(Get(L"Twice"), RegistryValue::String(L"x\\x"));
  EXPECT_EQ(Get(L"Lone"), RegistryValue::String(L"100%"));
  EXPECT_EQ(Get(L"Plain"), RegistryValue::String(L"%A%"));  // REG_SZ is not expanded
}

TEST_F(RegistryTest, ExpandStringDropsUnsetVariablesWithTheirSigns) {
  environment.variables = {{L"B", L"yy"}};
  Store(L"Both", kRegExpandSz, std::string("%A%;%B%\0", 8));
  Store(L"Empty name", kRegExpandSz, std::string("a%%b\0", 5));

  EXPECT_EQ(Get(L"Both"), RegistryValue::String(L";yy"));
  EXPECT_EQ(Get(L"Empty name"), RegistryValue::String(L"ab"));
}

TEST_F(RegistryTest, ExpandStringDoesNotSearchAnInsertedValue) {
  environment.variables = {{L"A", L"%B%"}, {L"B", L"no"}, {L"C", L"50%"}};
  Store(L"Nested", kRegExpandSz, std::string("%A%;%B\0", 7));
  Store(L"Percent", kRegExpandSz, std::string("%C%B%\0", 6));

  EXPECT_EQ(Get(L"Nested"), RegistryValue::String(L"%B%;%B"));
  EXPECT_EQ(Get(L"Percent"), RegistryValue::String(L"50%B%"));
}

TEST_F(RegistryTest, BinaryReadsAsBytesIndexedFromZero) {
  Store(L"Three", kRegBinary, std::string("\x01\x00\xFF", 3));
  Store(L"None", kRegBinary, "");

  const RegistryValue three = Get(L"Three");
  const RegistryValue none = Get(L"None");

  ASSERT_EQ(three.GetKind(), RegistryValue::Kind::kByteArray);
  EXPECT_EQ(three.ToByteArray().lowerBound, 0);
  EXPECT_EQ(three.ToByteArray().UpperBound(), 2);
  EXPECT_EQ(three.ToByteArray().elements, (std::vector<std::uint8_t>{0x01, 0x00, 0xFF}));
  EXPECT_EQ(none, RegistryValue::Bytes(std::vector<std::uint8_t>{}));
}

TEST_F(RegistryTest, DwordReadsAsSignedLittleEndianInteger) {
  Store(L"All ones", kRegDword, "\xFF\xFF\xFF\xFF");
  Store(L"Number", kRegDword, "\x78\x56\x34\x12");

  EXPECT_EQ(Get(L"All ones"), RegistryValue::Integer(-1));
  EXPECT_EQ(Get(L"Number"), RegistryValue::Integer(0x12345678));
}

TEST_F(RegistryTest, MultiStringSplitsIntoItsStrings) {
  Store(L"Two", kRegMultiSz, std::string("a\0b\0\0", 5));
  Store(L"Two bytes", kRegMultiSz, std::string("\0\0", 2));
  Store(L"One byte", kRegMultiSz, std::string("\0", 1));
  Store(L"Unterminated", kRegMultiSz, "abc");

  EXPECT_EQ(Get(L"Two"), RegistryValue::Strings({L"a", L"b"}));
  EXPECT_EQ(Get(L"Two bytes"), RegistryValue::Strings({}));
  EXPECT_EQ(Get(L"One byte"), RegistryValue::Strings({}));
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

TEST_F(RegistryTest, TypesNotHandledReadAsEmpty) {
  Store(L"Qword", kRegQword, std::string(8, '\x01'));
  Store(L"None", kRegNone, "abc");
  Store(L"Big endian", 5, "\x00\x00\x00\x01");
  Store(L"Link", 6, "a\0");

  for (const wchar_t* name : {L"Qword", L"None", L"Big endian", L"Link"}) {
    EXPECT_TRUE(Get(name).IsEmpty()) << NarrowForDiagnostics(name);
  }
  EXPECT_TRUE(boxes.Shown().empty());
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

TEST_F(RegistryTest, DwordLargerThanFourBytesReadsAsEmpty) {
  Store(L"Wide", kRegDword, std::string(8, '\x01'));

  EXPECT_TRUE(Get(L"Wide").IsEmpty());
}

// A code page whose conversion back fails, as memory running out would.
class FailingCodec : public fakes::Latin1Codec {
 public:
  std::wstring FromAnsi(std::string_view) const override { throw std::bad_alloc(); }
};

TEST_F(RegistryTest, FailureInsideTheReadIsShownAndReadsAsEmpty) {
  Store(L"Sz", kRegSz, std::string("abc\0", 4));
  FailingCodec failing;
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
