#include "retrieval/SecureRedirect.h"

#include "platform/WinInetApi.h"

namespace vyn {
namespace {

// Whether text begins with an RFC 3986 scheme and its ':'.
bool HasScheme(const std::wstring& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
    if (c == L':') return i > 0;
    if (!letter && !(i > 0 && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.')))
      return false;
  }
  return false;
}

// An absolute https:// address as server and path; "/" when it names none.
RedirectTarget SplitSecure(const std::wstring& address) {
  std::wstring server;
  std::wstring path = L"/";
  SplitUrl(address, server, path);
  return {SplitServerPort(server), path};
}

}  // namespace

bool IsRedirect(std::uint32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::optional<RedirectTarget> SecureRedirectTarget(const ServerAddress& server,
                                                   const std::wstring& path,
                                                   const std::wstring& location) {
  // A fragment names a place in the page, never part of the request.
  const std::wstring target = location.substr(0, location.find(L'#'));
  if (target.empty()) return std::nullopt;
  if (StartsWithScheme(target, L"https://")) return SplitSecure(target);
  if (HasScheme(target)) return std::nullopt;
  // Without a scheme the address keeps this one's, https.
  if (target.rfind(L"//", 0) == 0) return SplitSecure(L"https:" + target);
  if (target[0] == L'/') return RedirectTarget{server, target};
  // Relative to the folder of the path that answered.
  const std::size_t slash = path.rfind(L'/');
  const std::wstring folder = slash == std::wstring::npos ? L"/" : path.substr(0, slash + 1);
  return RedirectTarget{server, folder + target};
}

std::wstring AddressText(const ServerAddress& server, const std::wstring& path) {
  std::wstring text = server.secure ? L"https://" : L"http://";
  text += server.host;
  const std::uint16_t usual = server.secure ? kInternetDefaultHttpsPort : kInternetDefaultHttpPort;
  if (server.port != usual) text += L":" + std::to_wstring(server.port);
  return text + path;
}

}  // namespace vyn
