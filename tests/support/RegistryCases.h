#pragma once
// The registry reads and writes that hold for any registry, written once and run
// over the in-memory fake by the unit tests and over the real registry by the
// Wine tests. Include in one source file per test program, then instantiate with
// a backend that has:
//   Store(name, type, bytes)  raw value in the test key, creating it
//   AddKey()                  the test key, empty
//   Get(name), GetMissingKey(name), Set(name, value, type)  the procedures
//   Stored(name)              raw {type, bytes} of a value, nullopt when missing
//   KeyExists(), ValueCount(), HandlesOpened(), ValueWrites()
//   SetVariable(name, text or nullptr), ExpectHandlesClosed(), boxes
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/MessageBoxes.h"
#include "platform/RegistryApi.h"
#include "support/RegistryValue.h"

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

namespace registry_cases {

// Bytes of a literal, embedded NULs included, without the one the compiler adds.
template <std::size_t N>
std::string Raw(const char (&bytes)[N]) {
  return std::string(bytes, N - 1);
}
template <std::size_t N>
std::wstring Wide(const wchar_t (&text)[N]) {
  return std::wstring(text, N - 1);
}

using Bytes = std::vector<std::uint8_t>;
using V = RegistryValue;

template <class Backend>
class RegistryCases : public ::testing::Test, protected Backend {
 protected:
  void TearDown() override { this->ExpectHandlesClosed(); }
};

TYPED_TEST_SUITE_P(RegistryCases);

TYPED_TEST_P(RegistryCases, MissingKeyOrValueReadsAsEmpty) {
  const RegistryValue noKey = this->GetMissingKey(L"X");
  EXPECT_TRUE(noKey.IsEmpty());
  EXPECT_EQ(noKey.ToString(), L"");
  EXPECT_EQ(this->HandlesOpened(), 0);

  ASSERT_NO_FATAL_FAILURE(this->AddKey());
  EXPECT_TRUE(this->Get(L"Install Path").IsEmpty());
  EXPECT_EQ(this->HandlesOpened(), 1) << "the key was opened and closed";
  EXPECT_TRUE(this->boxes.Shown().empty());
}

// Each stored value is read through one opened and closed key; expandable
// strings take the variables VYN_A, VYN_B and VYN_C as the row sets them.
TYPED_TEST_P(RegistryCases, StoredValuesReadByTheirType) {
  struct Row {
    const wchar_t* name;
    std::uint32_t type;
    std::string stored;
    RegistryValue read;
    const wchar_t* variables[3] = {};
  };
  const Row rows[] = {
      {L"Embedded", kRegSz, Raw("abc\0def\0"), V::String(L"abc")},
      {L"Unterminated", kRegSz, "abc", V::String(L"abc")},
      // A stored empty string is a string, not a missing setting.
      {L"Zero bytes", kRegSz, "", V::String(L"")},
      {L"Code page", kRegSz, Raw("Z\xFCrich\0"), V::String(L"Z\u00FCrich")},
      {L"Three bytes", kRegBinary, Raw("\x01\x00\xFF"), V::Bytes(Bytes{0x01, 0x00, 0xFF})},
      {L"No bytes", kRegBinary, "", V::Bytes(Bytes{})},
      {L"All ones", kRegDword, "\xFF\xFF\xFF\xFF", V::Integer(-1)},
      {L"Number", kRegDword, "\x78\x56\x34\x12", V::Integer(0x12345678)},
      {L"Wider than a dword", kRegDword, std::string(8, '\x01'), V()},
      {L"Two strings", kRegMultiSz, Raw("a\0b\0\0"), V::Strings({L"a", L"b"})},
      {L"Two nuls", kRegMultiSz, Raw("\0\0"), V::Strings({})},
      {L"One nul", kRegMultiSz, Raw("\0"), V::Strings({})},
      {L"Qword", kRegQword, std::string(8, '\x01'), V()},
      {L"None", kRegNone, "abc", V()},
      {L"Big endian", 5, Raw("\0\0\0\x01"), V()},
      {L"Link", 6, Raw("a\0"), V()},
      {L"Both", kRegExpandSz, Raw("%VYN_A%;%VYN_B%\0"), V::String(L"x;yy"), {L"x", L"yy"}},
      {L"Twice", kRegExpandSz, Raw("%VYN_A%\\%VYN_A%\0"), V::String(L"x\\x"), {L"x", L"yy"}},
      {L"Lone sign", kRegExpandSz, Raw("100%\0"), V::String(L"100%"), {L"x", L"yy"}},
      {L"Not expandable", kRegSz, Raw("%VYN_A%\0"), V::String(L"%VYN_A%"), {L"x", L"yy"}},
      {L"Unset dropped",
       kRegExpandSz,
       Raw("%VYN_A%;%VYN_B%\0"),
       V::String(L";yy"),
       {nullptr, L"yy"}},
      {L"Empty name", kRegExpandSz, Raw("a%%b\0"), V::String(L"ab"), {nullptr, L"yy"}},
      // An inserted value is not searched again.
      {L"Nested",
       kRegExpandSz,
       Raw("%VYN_A%;%VYN_B\0"),
       V::String(L"%VYN_B%;%VYN_B"),
       {L"%VYN_B%", L"no"}},
      {L"Percent inserted",
       kRegExpandSz,
       Raw("%VYN_C%VYN_B%\0"),
       V::String(L"50%VYN_B%"),
       {nullptr, L"no", L"50%"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(NarrowForDiagnostics(row.name));
    this->SetVariable(L"VYN_A", row.variables[0]);
    this->SetVariable(L"VYN_B", row.variables[1]);
    this->SetVariable(L"VYN_C", row.variables[2]);
    ASSERT_NO_FATAL_FAILURE(this->Store(row.name, row.type, row.stored));
    const int opened = this->HandlesOpened();
    EXPECT_EQ(this->Get(row.name), row.read);
    EXPECT_EQ(this->HandlesOpened(), opened + 1);
  }
  EXPECT_TRUE(this->boxes.Shown().empty());
}

// Strings with their closing NULs, dwords as four little-endian bytes, binary
// from element zero to the last.
TYPED_TEST_P(RegistryCases, WritesStoreTheBytesOfEachType) {
  struct Row {
    const wchar_t* name;
    RegistryValue value;
    std::uint32_t type;
    std::string stored;
  };
  const Row rows[] = {
      {L"Sz", V::String(L"abc"), kRegSz, Raw("abc\0")},
      {L"Expand", V::String(L"%TEMP%"), kRegExpandSz, Raw("%TEMP%\0")},
      {L"Multi", V::String(Wide(L"a\0b")), kRegMultiSz, Raw("a\0b\0\0")},
      {L"Empty", V(), kRegSz, Raw("\0")},
      {L"Number as text", V::Integer(-12), kRegSz, Raw("-12\0")},
      {L"Minus one", V::Integer(-1), kRegDword, "\xFF\xFF\xFF\xFF"},
      {L"Number", V::Integer(0x12345678), kRegDword, "\x78\x56\x34\x12"},
      {L"Text as number", V::String(L"258"), kRegDword, Raw("\x02\x01\0\0")},
      {L"From zero", V::Bytes(Bytes{1, 2, 3}), kRegBinary, "\x01\x02\x03"},
      {L"From minus one", V::Bytes(ByteArray{-1, {9, 1, 2, 3}}), kRegBinary, "\x01\x02\x03"},
      {L"Only zero", V::Bytes(ByteArray{-3, {7, 7, 7, 0}}), kRegBinary, Raw("\0")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(NarrowForDiagnostics(row.name));
    this->Set(row.name, row.value, static_cast<std::int32_t>(row.type));
    const auto stored = this->Stored(row.name);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, row.type);
    EXPECT_EQ(stored->bytes, row.stored);
  }
  EXPECT_TRUE(this->boxes.Shown().empty());
}

// Binary without an element zero, and values that do not convert to the type.
TYPED_TEST_P(RegistryCases, ValuesThatDoNotConvertAreShownAndWriteNothing) {
  const wchar_t* const kSubscript = L"Error: 9. Subscript out of range";
  const wchar_t* const kMismatch = L"Error: 13. Type mismatch";
  struct Row {
    const wchar_t* name;
    RegistryValue value;
    std::uint32_t type;
    const wchar_t* message;
  };
  const Row rows[] = {
      {L"Lower bound one", V::Bytes(ByteArray{1, {1, 2}}), kRegBinary, kSubscript},
      {L"No elements", V::Bytes(Bytes{}), kRegBinary, kSubscript},
      {L"Ends below zero", V::Bytes(ByteArray{-2, {1}}), kRegBinary, kSubscript},
      {L"Empty", V(), kRegBinary, kMismatch},
      {L"String", V::String(L"abc"), kRegBinary, kMismatch},
      {L"Array as text", V::Strings({L"a"}), kRegSz, kMismatch},
      {L"Bytes as number", V::Bytes(Bytes{1}), kRegDword, kMismatch},
      {L"Word as number", V::String(L"many"), kRegDword, kMismatch},
      {L"Too large", V::String(L"2147483648"), kRegDword, L"Error: 6. Overflow"},
  };
  const auto& shown = this->boxes.Shown();
  for (const Row& row : rows) {
    SCOPED_TRACE(NarrowForDiagnostics(row.name));
    const std::size_t before = shown.size();
    this->Set(row.name, row.value, static_cast<std::int32_t>(row.type));
    ASSERT_EQ(shown.size(), before + 1);
    EXPECT_EQ(shown.back().text, row.message);
    EXPECT_EQ(shown.back().title, L"RegistrySetKeyValue");
    EXPECT_EQ(shown.back().buttons, MessageButtons::kOk);
  }
  // The key was created before the data failed; no value was written.
  EXPECT_TRUE(this->KeyExists());
  EXPECT_EQ(this->ValueCount(), 0u);
  EXPECT_EQ(this->ValueWrites(), 0);
}

TYPED_TEST_P(RegistryCases, UnhandledTypeCreatesTheKeyOnly) {
  this->Set(L"Qword", RegistryValue::Integer(5), static_cast<std::int32_t>(kRegQword));

  EXPECT_TRUE(this->KeyExists());
  EXPECT_EQ(this->ValueCount(), 0u);
  EXPECT_EQ(this->ValueWrites(), 0);
  EXPECT_TRUE(this->boxes.Shown().empty());
}

TYPED_TEST_P(RegistryCases, EveryHandledTypeReadsBackWhatWasWritten) {
  struct Row {
    const wchar_t* name;
    RegistryValue written;
    std::uint32_t type;
    RegistryValue read;
  };
  const Row rows[] = {
      {L"Sz", V::String(L"C:\\Tax Data\\"), kRegSz, V::String(L"C:\\Tax Data\\")},
      {L"Expand", V::String(L"no variables"), kRegExpandSz, V::String(L"no variables")},
      {L"Dword", V::Integer(-123456), kRegDword, V::Integer(-123456)},
      {L"Binary", V::Bytes(Bytes{0, 1, 254, 255}), kRegBinary, V::Bytes(Bytes{0, 1, 254, 255})},
      {L"Multi", V::String(Wide(L"one\0two")), kRegMultiSz, V::Strings({L"one", L"two"})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(NarrowForDiagnostics(row.name));
    const int opened = this->HandlesOpened();
    this->Set(row.name, row.written, static_cast<std::int32_t>(row.type));
    EXPECT_EQ(this->Get(row.name), row.read);
    EXPECT_EQ(this->HandlesOpened(), opened + 2);
  }
  EXPECT_TRUE(this->boxes.Shown().empty());
}

REGISTER_TYPED_TEST_SUITE_P(RegistryCases, MissingKeyOrValueReadsAsEmpty,
                            StoredValuesReadByTheirType, WritesStoreTheBytesOfEachType,
                            ValuesThatDoNotConvertAreShownAndWriteNothing,
                            UnhandledTypeCreatesTheKeyOnly,
                            EveryHandledTypeReadsBackWhatWasWritten);

}  // namespace registry_cases
}  // namespace vyn
