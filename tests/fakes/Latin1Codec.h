#pragma once

#include <string>
#include <string_view>

#include "platform/AnsiCodec.h"

namespace vyn::fakes {

// ISO 8859-1: one byte per character both ways; characters beyond U+00FF become '?'.
// Stands in for the ANSI code page where there is no Windows.
class Latin1Codec : public AnsiCodec {
 public:
  std::string ToAnsi(std::wstring_view text) const override;
  std::wstring FromAnsi(std::string_view bytes) const override;
};

}  // namespace vyn::fakes
