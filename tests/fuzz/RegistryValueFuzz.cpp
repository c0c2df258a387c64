// A registry value of any type and bytes, read through basRegistry from the
// in-memory registry: the result must follow the type's rules, no box may be
// shown, no handle stay open, and what was read must write back and read again
// unchanged. Then the value's conversions must give a result or a run-time error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FakeEnvironment.h"
#include "FakeRegistry.h"
#include "Latin1Codec.h"
#include "platform/Error.h"
#include "support/RegistryValue.h"
#include "support/basRegistry.h"

namespace {

constexpr const wchar_t* kKey = L"Software\\Fuzz";
constexpr const wchar_t* kName = L"Value";

// Counts boxes: a read of any stored value must not need one.
class CountingBoxes : public vyn::MessageBoxes {
 public:
  int shown = 0;
  vyn::MessageAnswer Show(const std::wstring&, const std::wstring&, vyn::MessageButtons) override {
    ++shown;
    return vyn::MessageAnswer::kOk;
  }
};

std::wstring Latin1(const std::string& bytes) {
  return vyn::fakes::Latin1Codec().FromAnsi(bytes);
}

std::vector<std::wstring> SplitAtNul(const std::wstring& text) {
  std::vector<std::wstring> pieces;
  if (text.empty()) return pieces;
  std::size_t from = 0;
  for (std::size_t at = text.find(L'\0'); at != std::wstring::npos; at = text.find(L'\0', from)) {
    pieces.push_back(text.substr(from, at - from));
    from = at + 1;
  }
  pieces.push_back(text.substr(from));
  return pieces;
}

// What a read of (type, bytes) must give.
vyn::RegistryValue Expected(std::uint32_t type, const std::string& bytes) {
  switch (type) {
    case vyn::kRegSz:
    case vyn::kRegExpandSz:
      return vyn::RegistryValue::String(Latin1(bytes.substr(0, bytes.find('\0'))));
    case vyn::kRegBinary:
      return vyn::RegistryValue::Bytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    case vyn::kRegDword: {
      if (bytes.size() > 4) return vyn::RegistryValue();  // the buffer of 4 is too small
      std::uint32_t number = 0;
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        number |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
      }
      return vyn::RegistryValue::Integer(static_cast<std::int32_t>(number));
    }
    case vyn::kRegMultiSz: {
      std::string text;
      if (bytes.size() > 2) {
        text = bytes;
        if (text.find('\0') != std::string::npos) text.resize(text.size() - 2);
      }
      return vyn::RegistryValue::Strings(SplitAtNul(Latin1(text)));
    }
    default:
      return vyn::RegistryValue();
  }
}

// The data a write of `value` as `type` takes: strings joined by NUL for REG_MULTI_SZ.
vyn::RegistryValue ForWriting(const vyn::RegistryValue& value, std::uint32_t type) {
  if (type != vyn::kRegMultiSz) return value;
  std::wstring joined;
  const auto& strings = value.ToStrings();
  for (std::size_t i = 0; i < strings.size(); ++i) {
    if (i != 0) joined += L'\0';
    joined += strings[i];
  }
  return vyn::RegistryValue::String(joined);
}

// Only the conversion failures of the value's kind.
template <typename Convert>
void ConvertOrMismatch(Convert convert) {
  try {
    convert();
  } catch (const vyn::Error& error) {
    if (error.Number() != vyn::errors::kTypeMismatch && error.Number() != vyn::errors::kOverflow) {
      std::abort();
    }
  }
}

void CheckConversions(const vyn::RegistryValue& value) {
  ConvertOrMismatch([&] { value.ToString(); });
  ConvertOrMismatch([&] {
    const std::int32_t number = value.ToInteger();
    // An integer that came from text reads back from its own decimal text.
    if (vyn::RegistryValue::String(std::to_wstring(number)).ToInteger() != number) std::abort();
  });
  ConvertOrMismatch([&] { value.ToByteArray(); });
  ConvertOrMismatch([&] { value.ToStrings(); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // First byte: the registry type (0..12 covers every handled type and some others).
  const std::uint32_t type = data[0] % 13;
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  vyn::fakes::FakeRegistry registry;
  vyn::fakes::Latin1Codec ansi;
  vyn::fakes::FakeEnvironment environment;
  environment.variables[L"A"] = L"x";
  environment.variables[L"PATH"] = L"C:\\Windows;%A%";
  CountingBoxes boxes;
  const vyn::RegistryServices services{registry, ansi, environment, boxes};
  registry.SetValue(kKey, kName, type, bytes);

  const vyn::RegistryValue read =
      vyn::basRegistry::RegistryGetKeyValue(services, vyn::kHkeyLocalMachine, kKey, kName);
  if (boxes.shown != 0 || registry.OpenHandles() != 0 || registry.BadCloses() != 0) std::abort();
  if (type == vyn::kRegExpandSz) {
    // Expansion only changes text that has a pair of "%" signs.
    const std::wstring plain = Expected(type, bytes).ToString();
    if (read.GetKind() != vyn::RegistryValue::Kind::kString) std::abort();
    const std::size_t first = plain.find(L'%');
    const bool pair =
        first != std::wstring::npos && plain.find(L'%', first + 1) != std::wstring::npos;
    if (!pair && read.ToString() != plain) std::abort();
  } else if (read != Expected(type, bytes)) {
    std::abort();
  }
  CheckConversions(read);

  if (read.IsEmpty()) return 0;
  // A lone empty string of REG_MULTI_SZ is written as the bare closing pair,
  // which reads back as no strings at all.
  if (type == vyn::kRegMultiSz && read.ToStrings().size() == 1 && read.ToStrings()[0].empty()) {
    return 0;
  }
  // An array of no elements has no element 0, which a REG_BINARY write refuses.
  if (type == vyn::kRegBinary && read.ToByteArray().elements.empty()) return 0;
  vyn::basRegistry::RegistrySetKeyValue(services, vyn::kHkeyLocalMachine, kKey, kName,
                                        ForWriting(read, type), static_cast<std::int32_t>(type));
  const vyn::RegistryValue again =
      vyn::basRegistry::RegistryGetKeyValue(services, vyn::kHkeyLocalMachine, kKey, kName);
  if (boxes.shown != 0 || registry.OpenHandles() != 0) std::abort();
  if (type != vyn::kRegExpandSz && again != read) std::abort();
  return 0;
}
