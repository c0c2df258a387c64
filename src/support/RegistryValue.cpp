#include "support/RegistryValue.h"

#include <limits>
#include <utility>

#include "platform/Error.h"

namespace vyn {

namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

// Decimal text with optional blanks around it and an optional sign.
std::int32_t ParseDecimal(const std::wstring& text) {
  std::size_t i = 0;
  std::size_t end = text.size();
  while (i < end && IsBlank(text[i])) ++i;
  while (end > i && IsBlank(text[end - 1])) --end;
  bool negative = false;
  if (i < end && (text[i] == L'-' || text[i] == L'+')) {
    negative = text[i] == L'-';
    ++i;
  }
  if (i == end) throw MakeError(errors::kTypeMismatch);
  // Accumulate as a negative number so that the smallest 32-bit value fits.
  const std::int64_t limit =
      negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
               : std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  for (; i < end; ++i) {
    if (text[i] < L'0' || text[i] > L'9') throw MakeError(errors::kTypeMismatch);
    magnitude = magnitude * 10 + (text[i] - L'0');
    if (magnitude > limit) throw MakeError(errors::kOverflow);
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace

RegistryValue RegistryValue::String(std::wstring text) {
  return RegistryValue(Data(std::in_place_index<1>, std::move(text)));
}

RegistryValue RegistryValue::Integer(std::int32_t number) {
  return RegistryValue(Data(std::in_place_index<2>, number));
}

RegistryValue RegistryValue::Bytes(ByteArray bytes) {
  return RegistryValue(Data(std::in_place_index<3>, std::move(bytes)));
}

RegistryValue RegistryValue::Bytes(std::vector<std::uint8_t> elements) {
  return Bytes(ByteArray{0, std::move(elements)});
}

RegistryValue RegistryValue::Strings(std::vector<std::wstring> strings) {
  return RegistryValue(Data(std::in_place_index<4>, std::move(strings)));
}

std::wstring RegistryValue::ToString() const {
  switch (GetKind()) {
    case Kind::kEmpty:
      return std::wstring();
    case Kind::kString:
      return std::get<1>(data_);
    case Kind::kInteger:
      return std::to_wstring(std::get<2>(data_));
    default:
      throw MakeError(errors::kTypeMismatch);
  }
}

std::int32_t RegistryValue::ToInteger() const {
  switch (GetKind()) {
    case Kind::kEmpty:
      return 0;
    case Kind::kString:
      return ParseDecimal(std::get<1>(data_));
    case Kind::kInteger:
      return std::get<2>(data_);
    default:
      throw MakeError(errors::kTypeMismatch);
  }
}

const ByteArray& RegistryValue::ToByteArray() const {
  if (GetKind() != Kind::kByteArray) throw MakeError(errors::kTypeMismatch);
  return std::get<3>(data_);
}

const std::vector<std::wstring>& RegistryValue::ToStrings() const {
  if (GetKind() != Kind::kStringArray) throw MakeError(errors::kTypeMismatch);
  return std::get<4>(data_);
}

}  // namespace vyn
