#include "components/unpack/WildcardMatch.h"

#include "platform/FileNameCase.h"

namespace vyn {

namespace {

// Letters compare as Windows compares file names. Star-and-backtrack matching: each "*" only moves
// forward, so the work stays within mask length times name length.
bool Glob(std::wstring_view mask, std::wstring_view name) {
  std::size_t m = 0;
  std::size_t n = 0;
  std::size_t starAt = std::wstring_view::npos;
  std::size_t resumeAt = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == L'*') {
      starAt = m++;
      resumeAt = n;
    } else if (m < mask.size() &&
               (mask[m] == L'?' || UpcaseFileNameChar(mask[m]) == UpcaseFileNameChar(name[n]))) {
      ++m;
      ++n;
    } else if (starAt != std::wstring_view::npos) {
      m = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == L'*') ++m;
  return m == mask.size();
}

}  // namespace

bool WildcardMatch(std::wstring_view mask, std::wstring_view name) {
  if (Glob(mask, name)) return true;
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == L".*") {
    return name.find(L'.') == std::wstring_view::npos &&
           Glob(mask.substr(0, mask.size() - 2), name);
  }
  if (!mask.empty() && mask.back() == L'.') {
    return name.find(L'.') == std::wstring_view::npos &&
           Glob(mask.substr(0, mask.size() - 1), name);
  }
  return false;
}

}  // namespace vyn
