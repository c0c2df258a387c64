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

std::string EndLine(const std::string& body, std::size_t records) {
  const uLong crc = crc32(crc32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(body.data()),
                          static_cast<uInt>(body.size()));
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08lx", crc & 0xFFFFFFFFul);
  return "END\t" + std::to_string(records) + "\t" + hex + "\n";
}

}  // namespace vyn
