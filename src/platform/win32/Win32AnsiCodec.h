#pragma once

#include "platform/AnsiCodec.h"

namespace vyn {

// The system's ANSI code page (CP_ACP). Characters it lacks become its default
// character; embedded NULs pass through both ways.
class Win32AnsiCodec : public AnsiCodec {
 public:
  std::string ToAnsi(std::wstring_view text) const override;
  std::wstring FromAnsi(std::string_view bytes) const override;
};

}  // namespace vyn
