#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vyn {

// A member name as stored: UTF-8 when the entry says so (flag bit 11), else code page 437.
// Throws ZipProblem when a name flagged UTF-8 is not.
std::wstring DecodeMemberName(std::string_view raw, bool utf8);

// The folders and file name that a member name leads to inside the target folder.
// Both slash styles separate; "." parts and empty parts are dropped. Throws
// ZipProblem (unsafe member) for names that would leave the folder or that Windows
// would read otherwise: "..", a leading slash (absolute or UNC), a ":" (drive letter
// or stream), characters not allowed in file names, a part ending in "." or blank
// (Windows drops those), and device names such as "CON" or "nul.txt".
std::vector<std::wstring> SafeMemberPath(std::wstring_view name);

// A folder or a mask as the product may pass it, without one pair of
// surrounding quotes.
std::wstring WithoutQuotes(const std::wstring& text);

// A text's length in UTF-16 units, as Windows counts a path.
std::size_t Utf16Length(std::wstring_view text);

// Longest full paths, in UTF-16 units, that Windows creates for a program that is not
// long-path aware: MAX_PATH (260) less the closing null for a file, and less room for
// an 8.3 name for a folder.
inline constexpr std::size_t kMaxFilePath = 259;
inline constexpr std::size_t kMaxFolderPath = 247;

// Throws ZipProblem (unsafe member) when the file, or the folder when `folder`, that
// `parts` lead to below a target folder whose full path with its closing separator
// has `targetLength` characters, or a folder on its way, would be longer than that.
void CheckPathLength(std::wstring_view name, std::size_t targetLength,
                     const std::vector<std::wstring>& parts, bool folder);

}  // namespace vyn
