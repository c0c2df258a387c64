#include <gtest/gtest.h>

#include "platform/Error.h"
#include "support/RegistryValue.h"

namespace vyn {
namespace {

std::int32_t ErrorNumberOf(void (*action)()) {
  try {
    action();
  } catch (const Error& error) {
    return error.Number();
  }
  return 0;
}

TEST(RegistryValueTest, ScalarsConvertToText) {
  EXPECT_EQ(RegistryValue().ToString(), L"");
  EXPECT_EQ(RegistryValue::String(L"abc").ToString(), L"abc");
  EXPECT_EQ(RegistryValue::Integer(-2147483647 - 1).ToString(), L"-2147483648");
}

TEST(RegistryValueTest, ArraysDoNotConvertToText) {
  EXPECT_EQ(ErrorNumberOf([] { RegistryValue::Bytes(std::vector<std::uint8_t>{1}).ToString(); }),
            errors::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf([] { RegistryValue::Strings({L"a"}).ToString(); }),
            errors::kTypeMismatch);
}

TEST(RegistryValueTest, DecimalTextConvertsToInteger) {
  EXPECT_EQ(RegistryValue().ToInteger(), 0);
  EXPECT_EQ(RegistryValue::String(L" -2147483648 ").ToInteger(), -2147483647 - 1);
  EXPECT_EQ(RegistryValue::String(L"+2147483647").ToInteger(), 2147483647);
  EXPECT_EQ(ErrorNumberOf([] { RegistryValue::String(L"2147483648").ToInteger(); }),
            errors::kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { RegistryValue::String(L"").ToInteger(); }), errors::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf([] { RegistryValue::String(L"1 2").ToInteger(); }),
            errors::kTypeMismatch);
}

TEST(RegistryValueTest, ByteArrayBoundsFollowItsLowerBound) {
  const ByteArray none{1, {}};
  const ByteArray fromMinusOne{-1, {9, 1, 2, 3}};

  EXPECT_EQ(none.UpperBound(), 0);
  EXPECT_EQ(fromMinusOne.UpperBound(), 2);
  EXPECT_NE(RegistryValue::Bytes(none), RegistryValue::Bytes(ByteArray{0, {}}));
}

}  // namespace
}  // namespace vyn
