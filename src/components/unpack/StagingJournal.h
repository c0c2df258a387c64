#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace vyn {

// What a commit of staged files will do, written into its staging folder before
// the first file of the target folder is touched. Paths are relative: staged and
// aside names to the staging folder, destinations and folders to the target folder
// (the staging folder's parent), so the journal holds wherever the folder is reached from.
struct JournalMove {
  std::filesystem::path staged;
  std::filesystem::path aside;  // where the replaced file waits; empty when none is replaced
  std::filesystem::path destination;
};

struct StagingJournal {
  std::vector<std::filesystem::path> folders;  // created first, in this order
  std::vector<JournalMove> moves;              // then made in this order
};

// The journal's file in a staging folder, and the marker that its commit is complete.
std::filesystem::path JournalPath(const std::filesystem::path& staging);
std::filesystem::path CompleteMarkerPath(const std::filesystem::path& staging);

// Writes the journal under a temporary name, puts it on disk and only then gives
// it its name: a journal that is there was written whole. Throws what the file
// primitives throw.
void WriteJournal(const std::filesystem::path& staging, const StagingJournal& journal);

// The staging folder's journal; nullopt when there is none, or when it is not one
// whole journal of this program (its last line's count and CRC-32 disagree).
// Throws std::system_error when it is there but cannot be read.
std::optional<StagingJournal> ReadJournal(const std::filesystem::path& staging);

// Leaves the marker that every move of the journal was made.
void MarkComplete(const std::filesystem::path& staging);

}  // namespace vyn
