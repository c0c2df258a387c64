// A URL from the input (16-bit characters); checks that the split loses nothing,
// that the port is taken only from a well-formed ":digits" suffix, and that
// only an "https://" in front asks for TLS.
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

  // An "http://" or "https://" in front, in any case, only chooses plain or TLS.
  const vyn::ServerAddress address = vyn::SplitServerPort(server);
  std::wstring lowered = server.substr(0, 8);
  for (wchar_t& c : lowered) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  const bool secure = lowered.rfind(L"https://", 0) == 0;
  const std::size_t prefix = secure ? 8 : lowered.rfind(L"http://", 0) == 0 ? 7 : 0;
  const std::wstring named = server.substr(prefix);
  if (address.secure != secure) std::abort();
  if (address.host == named) {
    if (address.port != (secure ? 443 : 80)) std::abort();
  } else {
    // host ":" digits, the digits naming the port.
    const std::size_t colon = address.host.size();
    if (named.compare(0, colon, address.host) != 0 || colon == 0 || named[colon] != L':') {
      std::abort();
    }
    const std::wstring digits = named.substr(colon + 1);
    if (!AllDigits(digits) || digits.size() > 5 || address.port < 1 ||
        std::stoul(digits) != address.port) {
      std::abort();
    }
  }
  return 0;
}
