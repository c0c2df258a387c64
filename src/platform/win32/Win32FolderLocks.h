#pragma once

#include "platform/FolderLocks.h"

namespace vyn {

// The lock is the data folder's ".vyn-lock" file held open without write sharing
// (and deleted when closed): Windows refuses a second writer on this machine, and
// the file server refuses it for every workstation on a network share, which a
// named mutex (one machine only) could not. The holder's record in the file stays
// readable. Wine shares handles within one wineserver, so the tests show the lock
// between processes of one machine only.
class Win32FolderLocks : public FolderLocks {
 public:
  Attempt TryLock(const std::wstring& folder, bool scheduled) noexcept override;
};

}  // namespace vyn
