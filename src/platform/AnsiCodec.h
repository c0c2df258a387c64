#pragma once

#include <string>
#include <string_view>

namespace vyn {

// Converts between the program's wide strings and the system's ANSI code page,
// which every "A" platform call takes. One character of the code page is one byte
// for the code that sizes buffers from byte counts.
class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;
  virtual std::string ToAnsi(std::wstring_view text) const = 0;
  virtual std::wstring FromAnsi(std::string_view bytes) const = 0;
};

}  // namespace vyn
