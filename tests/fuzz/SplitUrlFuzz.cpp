// A URL from the input (16-bit characters); checks that the split loses nothing
// and that the port is taken only from a well-formed ":digits" suffix.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "retrieval/SplitUrl.h"

namespace {

bool AllDigits(const std::wstring& text) {
  if (text.empty()) return false;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::wstring url;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    url += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
  }
  std::wstring slashed = url;
  for (wchar_t& c : slashed) {
    if (c == L'\\') c = L'/';
  }
  const std::size_t scheme = slashed.find(L"//");
  const std::size_t start = scheme == std::wstring::npos ? 0 : scheme + 2;

  const std::wstring untouched = L"\x1 untouched";
  std::wstring server;
  std::wstring path = untouched;
  vyn::SplitUrl(url, server, path);

  if (path == untouched) {
    // No "/" after the search start: all of it is the server.
    if (server != slashed || slashed.find(L'/', start) != std::wstring::npos) std::abort();
  } else {
    if (server + path != slashed || path.empty() || path[0] != L'/') std::abort();
    if (server.size() < start || server.find(L'/', start) != std::wstring::npos) std::abort();
  }

  const vyn::ServerAddress address = vyn::SplitServerPort(server);
  if (address.host == server) {
    if (address.port != 80) std::abort();
  } else {
    // host ":" digits, the digits naming the port.
    const std::size_t colon = address.host.size();
    if (server.compare(0, colon, address.host) != 0 || colon == 0 || server[colon] != L':') {
      std::abort();
    }
    const std::wstring digits = server.substr(colon + 1);
    if (!AllDigits(digits) || digits.size() > 5 || address.port < 1 ||
        std::stoul(digits) != address.port) {
      std::abort();
    }
  }
  return 0;
}
