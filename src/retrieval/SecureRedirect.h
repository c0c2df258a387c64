#pragma once

#include <optional>
#include <string>

#include "retrieval/SplitUrl.h"

namespace vyn {

// A secure download follows its redirects itself: WinInet would follow one to
// plain HTTP unless the user's Internet settings ask to be warned, and nothing
// from an https:// host may arrive in the clear.
constexpr int kMostRedirects = 10;

struct RedirectTarget {
  ServerAddress server;
  std::wstring path;
};

// Whether an answer's status sends the request elsewhere (301, 302, 303, 307, 308).
bool IsRedirect(std::uint32_t status);

// Where a Location leads from `server` and `path`: an absolute https:// address,
// one without a scheme ("//host/..."), or a path on the same server. None for
// any other scheme, plain HTTP among them.
std::optional<RedirectTarget> SecureRedirectTarget(const ServerAddress& server,
                                                   const std::wstring& path,
                                                   const std::wstring& location);

// The address as a user would write it, for the log and the question.
std::wstring AddressText(const ServerAddress& server, const std::wstring& path);

}  // namespace vyn
