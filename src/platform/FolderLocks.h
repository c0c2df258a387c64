#pragma once

#include <memory>
#include <string>

namespace vyn {

// Who holds a data folder's refresh lock, as the holder recorded it. A field it
// did not record (its record was being written at that moment) is empty.
struct LockHolder {
  std::wstring user;
  std::wstring computer;
  std::wstring processId;
  std::wstring started;  // local time the refresh began, "HH:MM"
  bool scheduled = false;
};

// One refresh of a data folder at a time, across processes, user sessions and
// workstations that share the folder. A lock is held while its object lives; the
// system releases it when the holder ends, however it ends, so a killed refresh
// leaves no stale lock.
class FolderLocks {
 public:
  class Lock {
   public:
    virtual ~Lock() = default;
  };

  enum class Outcome {
    kTaken,        // `lock` holds the folder
    kHeld,         // another refresh holds it: `holder` says who
    kUnavailable,  // no lock can be made there (a missing or read-only folder)
  };
  struct Attempt {
    Outcome outcome = Outcome::kUnavailable;
    std::unique_ptr<Lock> lock;
    LockHolder holder;
  };

  virtual ~FolderLocks() = default;
  // Tries once to take the lock of `folder` (ending in "\"), recording this
  // process as its holder, scheduled or at the screen. Never throws.
  virtual Attempt TryLock(const std::wstring& folder, bool scheduled) noexcept = 0;
};

}  // namespace vyn
