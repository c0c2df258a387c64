#pragma once

#include <string>
#include <string_view>

namespace vyn {

// A file name as NTFS compares it: every UTF-16 unit through its upcase table, a
// simple one-to-one mapping with no normalisation and no multi-letter folds ("ß"
// stays "ß"), the same on every locale. Two names that give the same text here name
// one file on Windows. Characters beyond the BMP, never folded by NTFS, stay as they are.
// The program's one rule for comparing names without case: file names, masks,
// device names, settings keys and switches alike.
std::wstring UpcaseFileName(std::wstring_view name);
wchar_t UpcaseFileNameChar(wchar_t c);
bool SameFileName(std::wstring_view a, std::wstring_view b);

}  // namespace vyn
