#include "components/unpack/CheckedText.h"

#include <zlib.h>

#include <cstdio>

namespace vyn {

std::vector<std::string> TabFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

std::string Hex8(std::uint32_t value) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(value));
  return hex;
}

std::string EndLine(const std::string& body, std::size_t records) {
  const uLong crc = crc32(crc32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(body.data()),
                          static_cast<uInt>(body.size()));
  return "END\t" + std::to_string(records) + "\t" + Hex8(static_cast<std::uint32_t>(crc)) + "\n";
}

}  // namespace vyn
