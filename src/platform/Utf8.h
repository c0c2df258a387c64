#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vyn {

// Strict UTF-8 -> wide text (UTF-16 where wchar_t is 16 bits). Overlong forms,
// surrogates, code points beyond U+10FFFF and cut-off sequences give nullopt.
std::optional<std::wstring> DecodeUtf8(std::string_view bytes);

// The same decoding for text that is not known to be UTF-8 (a library's message):
// every byte that does not begin a valid sequence stands for the character of the
// same value, as in ISO 8859-1.
std::wstring DecodeUtf8Leniently(std::string_view bytes);

// Wide text -> UTF-8; an unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(std::wstring_view text);

}  // namespace vyn
