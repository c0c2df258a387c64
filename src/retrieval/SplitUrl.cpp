#include "retrieval/SplitUrl.h"

#include <algorithm>

#include "platform/WinInetApi.h"

namespace vyn {

void SplitUrl(const std::wstring& URL, std::wstring& server, std::wstring& path) {
  std::wstring s = URL;
  std::replace(s.begin(), s.end(), L'\\', L'/');
  std::size_t start = 0;
  auto scheme = s.find(L"//");
  if (scheme != std::wstring::npos) start = scheme + 2;
  auto slash = s.find(L'/', start);
  if (slash == std::wstring::npos) {
    server = s;
    return;
  }
  path = s.substr(slash);
  server = s.substr(0, slash);
}

bool StartsWithScheme(const std::wstring& text, const std::wstring& scheme) {
  if (text.size() < scheme.size()) return false;
  for (std::size_t i = 0; i < scheme.size(); ++i) {
    wchar_t c = text[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != scheme[i]) return false;
  }
  return true;
}

ServerAddress SplitServerPort(const std::wstring& server) {
  ServerAddress address{server, kInternetDefaultHttpPort};
  if (StartsWithScheme(server, L"https://")) {
    address = {server.substr(8), kInternetDefaultHttpsPort, true};
  } else if (StartsWithScheme(server, L"http://")) {
    address.host = server.substr(7);
  }
  const std::wstring named = address.host;
  auto colon = named.rfind(L':');
  if (colon == std::wstring::npos || colon == 0) return address;
  std::wstring digits = named.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return address;
  if (!std::all_of(digits.begin(), digits.end(),
                   [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
    return address;
  }
  unsigned long port = std::stoul(digits);
  if (port < 1 || port > 65535) return address;
  address.host = named.substr(0, colon);
  address.port = static_cast<std::uint16_t>(port);
  return address;
}

}  // namespace vyn
