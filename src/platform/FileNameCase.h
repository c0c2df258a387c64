#pragma once

#include <string>
#include <string_view>

namespace vyn {

// A file name as NTFS compares it: every UTF-16 unit through its upcase table, a
// simple one-to-one mapping with no normalisation and no multi-letter folds ("ß"
// stays "ß"), the same on every locale. Two names that give the same text here name
// one file on Windows. Characters beyond the BMP, never folded by NTFS, stay as they are.
std::wstring UpcaseFileName(std::wstring_view name);

}  // namespace vyn
