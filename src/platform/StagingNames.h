#pragma once

#include <cstddef>
#include <string_view>

// The names the program gives its own files, in one place: the staging folders
// inside the data folder and what they hold (the unpacking makes them, recovery
// finds and removes them, and a member whose top folder is named so is refused:
// the next unpack would delete it), the data folder's lock and refresh records,
// and the temporary files of a download.
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

// Inside a staging folder: the journal of its commit, the journal while it is
// written, the marker of a finished commit, and the prefix of a file set aside
// because it took a destination that the journal's file holds.
inline constexpr std::string_view kJournal = "journal";
inline constexpr std::string_view kJournalBeingWritten = "journal.tmp";
inline constexpr std::string_view kCompleteMarker = "complete";
inline constexpr std::string_view kIntruderPrefix = "intruder-";

// The data folder's lock file. Its name begins as the staging folders' names do,
// so no archive member can take its place.
inline constexpr std::wstring_view kFolderLock = L".vyn-lock";
static_assert(kFolderLock.substr(0, kWidePrefix.size()) == kWidePrefix);

// The record of an archive's last refresh, beside it in the data folder: the
// prefix, the archive's file name, this suffix.
inline constexpr std::wstring_view kRecordSuffix = L".state";

// The prefix of a download's temporary files, in the temporary folder and
// beside the target.
inline constexpr const wchar_t* kDownloadPrefix = L"~re";

}  // namespace vyn::staging_names
