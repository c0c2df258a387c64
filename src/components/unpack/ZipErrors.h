#pragma once

#include <cstdint>
#include <string>

#include "platform/ErrorRanges.h"

namespace vyn {

// Error numbers of the zip component:
//   0x80041001  Execute was given an action other than 8
//   0x80041002  an operation is missing: no archive or no target folder was given
//   0x80041003  the archive cannot be opened or read
//   0x80041004  the archive is damaged or not a zip archive (structure, truncation,
//               overlapping members, local header disagreeing with the directory),
//               or it holds no files
//   0x80041005  a member is unsafe (its name leads outside the target folder, is not a
//               valid file name, is too long for Windows, is given twice, upper and
//               lower case counting as one, or it is a symbolic link)
//   0x80041006  a member uses what this component does not read (method, encryption, split archive)
//   0x80041007  a member's data are bad (CRC-32 or sizes differ, damaged compressed data)
//   0x80041008  the target folder cannot be written, or its drive has too little free
//               space for the members (nothing of the archive is left in it)
//   0x80041009  the unpacking was cancelled before its commit (nothing was changed)
namespace zip_errors {
inline constexpr std::int32_t kUnsupportedAction = error_ranges::Number(error_ranges::kUnpack, 1);
inline constexpr std::int32_t kNotReady = error_ranges::Number(error_ranges::kUnpack, 2);
inline constexpr std::int32_t kUnreadable = error_ranges::Number(error_ranges::kUnpack, 3);
inline constexpr std::int32_t kDamaged = error_ranges::Number(error_ranges::kUnpack, 4);
inline constexpr std::int32_t kUnsafeMember = error_ranges::Number(error_ranges::kUnpack, 5);
inline constexpr std::int32_t kUnsupportedMember = error_ranges::Number(error_ranges::kUnpack, 6);
inline constexpr std::int32_t kBadData = error_ranges::Number(error_ranges::kUnpack, 7);
inline constexpr std::int32_t kTargetUnwritable = error_ranges::Number(error_ranges::kUnpack, 8);
// The unpacking's observer asked it to stop before the commit; nothing was changed.
inline constexpr std::int32_t kCancelled = error_ranges::Number(error_ranges::kUnpack, 9);
}  // namespace zip_errors

// A problem found while reading or unpacking; the extractor adds the archive's name.
struct ZipProblem {
  std::int32_t number;
  std::wstring member;  // empty when it concerns the archive as a whole
  std::wstring problem;
};

}  // namespace vyn
