#pragma once

#include <string>

#include "platform/Platform.h"

namespace vyn {

// Puts the complete download in place of target in one step: the data first
// come into the target's folder (the download may lie on another volume), then
// replace the target, also a read-only one. On failure the target is unchanged
// and nothing of the download is left in the target's folder.
void ReplaceTarget(Platform& platform, const std::wstring& download, const std::wstring& target);

}  // namespace vyn
