#include "retrieval/ResumePoint.h"

#include <optional>

namespace vyn {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Digits only, up to 18 of them: no sign, no space, nothing that could wrap.
std::optional<std::int64_t> Number(const std::string& text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// A header value goes back into a request only as one line of printable text.
bool Printable(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace

std::string RangeValidator(const std::string& etag, const std::string& lastModified) {
  const std::string tag = Trimmed(etag);
  if (tag.size() >= 2 && tag.front() == '"' && tag.back() == '"' && Printable(tag)) return tag;
  const std::string date = Trimmed(lastModified);
  return Printable(date) ? date : std::string();
}

std::string RangeHeaders(const ResumePoint& point) {
  return "Range: bytes=" + std::to_string(point.received) + "-\r\nIf-Range: " + point.validator +
         "\r\n";
}

bool ContinuesAt(const std::string& contentRange, const ResumePoint& point) {
  const std::string text = Trimmed(contentRange);
  const std::string unit = "bytes ";
  if (text.compare(0, unit.size(), unit) != 0) return false;
  const auto dash = text.find('-', unit.size());
  const auto slash = text.find('/', unit.size());
  if (dash == std::string::npos || slash == std::string::npos || dash > slash) return false;
  const auto first = Number(text.substr(unit.size(), dash - unit.size()));
  const auto last = Number(text.substr(dash + 1, slash - dash - 1));
  const auto total = Number(text.substr(slash + 1));
  return first && last && total && *first == point.received && *total == point.total &&
         *last == point.total - 1;
}

}  // namespace vyn
