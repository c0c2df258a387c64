// Mask and name from the input; checks the matcher's fixed points.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "components/unpack/WildcardMatch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // First byte: how many of the 16-bit characters that follow form the mask.
  const std::size_t maskLength = data[0];
  std::wstring mask;
  std::wstring name;
  for (std::size_t i = 1; i + 1 < size; i += 2) {
    const auto c = static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    (mask.size() < maskLength ? mask : name) += c;
  }

  const bool matched = vyn::WildcardMatch(mask, name);
  if (!vyn::WildcardMatch(L"*", name) || !vyn::WildcardMatch(L"*.*", name)) std::abort();
  if (name.find_first_of(L"*?") == std::wstring::npos && !vyn::WildcardMatch(name, name)) {
    std::abort();
  }
  if (mask == name + L"*" && !matched) std::abort();
  return 0;
}
