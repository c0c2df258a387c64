#pragma once

#include <string>

#include "platform/ArchiveListing.h"

namespace vyn {

// For the run log: an archive's members and unpacked bytes, read from its
// directory ("3 members, 1234 bytes: a.csv, b.csv, c.csv"). Never throws: an
// archive that cannot be read gives a text that says so.
std::wstring SummariseArchive(ArchiveListing& listing, const std::wstring& path) noexcept;

}  // namespace vyn
