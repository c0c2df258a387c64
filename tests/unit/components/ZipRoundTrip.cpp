#include "ZipRoundTrip.h"

#include <string>

namespace vyn::test {

namespace {

std::string RandomBytes(std::mt19937& random, std::size_t size) {
  std::string bytes(size, '\0');
  for (auto& byte : bytes) byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::string CsvText(std::mt19937& random, std::size_t size) {
  static const char* const kCities[] = {"Aurora", "Elgin", "Joliet", "Naperville", "Waukegan"};
  std::string text = "listing_id,price,city,status\n";
  for (unsigned id = 1; text.size() < size; ++id) {
    text += std::to_string(id) + ',' + std::to_string(50000 + random() % 900000) + ',' +
            kCities[random() % 5] + (random() % 4 == 0 ? ",sold\n" : ",active\n");
  }
  text.resize(size);
  return text;
}

}  // namespace

ZipTestMember RoundTripMember(std::mt19937& random, std::size_t shape, std::size_t serial) {
  shape %= kRoundTripShapes;
  const std::size_t size = (shape % 68 / 17 + 1) * 65536 + shape % 17 - 8;
  const std::size_t kind = shape / 68;
  const int level = static_cast<int>(random() % 11) - 1;  // -1: stored

  ZipTestMember member;
  static const char* const kKinds[] = {"zeros", "blanks", "random", "csv"};
  member.name = std::to_string(serial) + "-" + std::to_string(size) + "-" + kKinds[kind] +
                (level < 0 ? "-stored" : "-level" + std::to_string(level)) + ".dat";
  member.deflate = level >= 0;
  member.level = level < 0 ? 0 : level;
  switch (kind) {
    case 0:
      member.data.assign(size, '\0');
      break;
    case 1:
      member.data.assign(size, ' ');
      break;
    case 2:
      member.data = RandomBytes(random, size);
      break;
    default:
      member.data = CsvText(random, size);
      break;
  }
  return member;
}

}  // namespace vyn::test
