#pragma once

#include <string>
#include <string_view>

// Paths as the program spells them ("C:\Veltrix\Data\VYNData.zip"): "\" between
// levels, and "/" taken for one as Windows takes it. A folder the program hands on
// ends in "\", so that file names can be appended to it directly.
namespace vyn {

bool IsPathSeparator(wchar_t c);

// `folder` ending in "\": a trailing "/" becomes "\", and one is added where there
// is none ("" gives "\").
std::wstring WithTrailingSeparator(std::wstring folder);

// Up to and including the last separator; empty when there is none.
std::wstring FolderPart(std::wstring_view path);

// `folder` without its trailing separators; a drive's root ("C:\") keeps its one.
std::wstring WithoutTrailingSeparator(std::wstring folder);

// The folder `path` lies in, as a folder is named on its own: without its
// trailing separator (a drive's root keeps it), and "." for a bare name.
std::wstring FolderOf(std::wstring_view path);

// After the last separator; the whole path when there is none.
std::wstring NamePart(std::wstring_view path);

}  // namespace vyn
