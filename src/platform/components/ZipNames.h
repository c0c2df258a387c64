#pragma once

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

}  // namespace vyn
