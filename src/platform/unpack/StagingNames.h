#pragma once

#include <cstddef>
#include <string_view>

// The names of the staging folders inside the data folder, in one place: the
// unpacking makes them, recovery finds and removes them, and a member whose top
// folder is named so is refused (the next unpack would delete it).
namespace vyn::staging_names {

// The prefix and 8 hex digits: short, because Windows counts it in every staged
// file's path.
inline constexpr std::string_view kPrefix = ".vyn-";
inline constexpr std::wstring_view kWidePrefix = L".vyn-";
inline constexpr std::size_t kHexDigits = 8;
inline constexpr std::size_t kNameLength = kPrefix.size() + kHexDigits;

// Staging folders of earlier versions: this prefix and 16 hex digits, never a journal.
inline constexpr std::string_view kEarlierPrefix = ".vyn-staging-";
inline constexpr std::size_t kEarlierHexDigits = 16;

// The mirror of new folders below a staging folder: its name, then "\t\".
inline constexpr std::string_view kMirrorFolder = "t";
inline constexpr std::size_t kMirrorExtra = kNameLength + 1 + kMirrorFolder.size() + 1;

}  // namespace vyn::staging_names
