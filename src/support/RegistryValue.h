#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace vyn {

// A byte array with its own lower bound, as callers may hand one indexed from any
// number; a registry read always gives one indexed from 0.
struct ByteArray {
  std::int32_t lowerBound = 0;
  std::vector<std::uint8_t> elements;

  // lowerBound - 1 when there are no elements; 64 bits so that no bound overflows.
  std::int64_t UpperBound() const {
    return static_cast<std::int64_t>(lowerBound) + static_cast<std::int64_t>(elements.size()) - 1;
  }
  bool operator==(const ByteArray& other) const {
    return lowerBound == other.lowerBound && elements == other.elements;
  }
};

// What a registry read returns and a write takes: empty, a string, a 32-bit signed
// integer, a byte array or an array of strings.
class RegistryValue {
 public:
  enum class Kind { kEmpty, kString, kInteger, kByteArray, kStringArray };

  RegistryValue() = default;  // empty

  static RegistryValue Empty() { return RegistryValue(); }
  static RegistryValue String(std::wstring text);
  static RegistryValue Integer(std::int32_t number);
  static RegistryValue Bytes(ByteArray bytes);
  static RegistryValue Bytes(std::vector<std::uint8_t> elements);  // indexed from 0
  static RegistryValue Strings(std::vector<std::wstring> strings);

  Kind GetKind() const { return static_cast<Kind>(data_.index()); }
  bool IsEmpty() const { return GetKind() == Kind::kEmpty; }

  // Conversions; each throws Error 13 "Type mismatch" for a kind it cannot take.
  // Empty gives "", an integer its decimal text.
  std::wstring ToString() const;
  // Empty gives 0, a string its decimal number (6 "Overflow" beyond 32 bits).
  std::int32_t ToInteger() const;
  // Only a byte array converts.
  const ByteArray& ToByteArray() const;
  // Only an array of strings converts.
  const std::vector<std::wstring>& ToStrings() const;

  bool operator==(const RegistryValue& other) const { return data_ == other.data_; }
  bool operator!=(const RegistryValue& other) const { return !(*this == other); }

 private:
  // Alternatives in the order of Kind.
  using Data = std::variant<std::monostate, std::wstring, std::int32_t, ByteArray,
                            std::vector<std::wstring>>;
  explicit RegistryValue(Data data) : data_(std::move(data)) {}

  Data data_;
};

}  // namespace vyn
