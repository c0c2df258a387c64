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

ServerAddress SplitServerPort(const std::wstring& server) {
  ServerAddress address{server, kInternetDefaultHttpPort};
  auto colon = server.rfind(L':');
  if (colon == std::wstring::npos || colon == 0) return address;
  std::wstring digits = server.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return address;
  if (!std::all_of(digits.begin(), digits.end(),
                   [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
    return address;
  }
  unsigned long port = std::stoul(digits);
  if (port < 1 || port > 65535) return address;
  address.host = server.substr(0, colon);
  address.port = static_cast<std::uint16_t>(port);
  return address;
}

}  // namespace vyn
