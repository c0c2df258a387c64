#include "Latin1Codec.h"

#include <cstdint>

namespace vyn::fakes {

std::string Latin1Codec::ToAnsi(std::wstring_view text) const {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    out += static_cast<std::uint32_t>(c) <= 0xFF ? static_cast<char>(c) : '?';
  }
  return out;
}

std::wstring Latin1Codec::FromAnsi(std::string_view bytes) const {
  std::wstring out;
  out.reserve(bytes.size());
  for (char c : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

}  // namespace vyn::fakes
