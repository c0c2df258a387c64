#pragma once

#include <cstdint>
#include <string>

namespace vyn {

// Splits a URL without a scheme into server name and object path. "\" counts
// as "/". Without a "/" after the host the whole URL is the server name and
// path is left as it was.
void SplitUrl(const std::wstring& URL, std::wstring& server, std::wstring& path);

// Whether text begins with scheme (lower case, with its "://"), in any case of
// its ASCII letters.
bool StartsWithScheme(const std::wstring& text, const std::wstring& scheme);

// A server name may carry a port ("host:8080", for test and staging servers)
// and a scheme: "https://" asks for TLS, on port 443 unless one is given;
// "http://" or none is plain HTTP on port 80.
struct ServerAddress {
  std::wstring host;
  std::uint16_t port = 80;
  bool secure = false;
};
ServerAddress SplitServerPort(const std::wstring& server);

}  // namespace vyn
