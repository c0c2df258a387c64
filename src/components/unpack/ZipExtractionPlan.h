#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "components/unpack/ZipReader.h"

// What an unpacking will do, decided and checked before anything is written: the
// members the mask picks and their places, the folders to stage whole, and
// whether the names, the paths and the sizes fit.
namespace vyn {

struct Plan {
  std::vector<std::filesystem::path> folders;
  std::vector<std::pair<const ZipEntry*, std::filesystem::path>> files;
};

// The target folder's full path with a closing separator, in UTF-16 units.
std::size_t FullPathLength(const std::filesystem::path& target);

// Checks every member's name, whether or not the mask picks it, and lists what to unpack.
// `targetLength`: the target folder's full path with its closing separator, in characters.
Plan MakePlan(const std::vector<ZipEntry>& entries, const std::wstring& mask,
              std::size_t targetLength);

// Staged files lie deeper than the members' places: a target folder that leaves no
// room for them is refused before anything is written.
void CheckStagingPathLength(std::size_t targetLength, std::size_t files);

// Refuses, before anything is written, members whose declared sizes (the most the
// unpacking lets through) do not fit in the free space less the margin.
void CheckFreeSpace(const Plan& plan, std::uint64_t free);

// The topmost folders on the members' way that the target does not have yet, each
// to be staged whole and moved into place in one step (sorted); left out is one whose
// members would not fit below the staging folder at their own paths.
std::vector<std::filesystem::path> NewFolders(const std::filesystem::path& target, const Plan& plan,
                                              std::size_t targetLength);

// Whether `relative` lies in one of `folders` (sorted).
bool InFolders(const std::filesystem::path& relative,
               const std::vector<std::filesystem::path>& folders);

}  // namespace vyn
