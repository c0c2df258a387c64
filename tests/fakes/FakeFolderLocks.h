#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/FolderLocks.h"

namespace vyn::fakes {

// Locks in memory, by folder. `heldByOthers` are folders another refresh holds
// (until `freeAfterTries` tries of the folder have been refused); `unavailable`
// folders take no lock at all. Every try is counted per folder.
class FakeFolderLocks : public FolderLocks {
 public:
  std::map<std::wstring, LockHolder> heldByOthers;
  std::map<std::wstring, int> freeAfterTries;
  std::map<std::wstring, bool> unavailable;
  std::map<std::wstring, int> tries;
  std::map<std::wstring, bool> scheduledTaker;  // how the last taker called itself

  bool IsHeld(const std::wstring& folder) const { return held_->count(folder) != 0; }

  Attempt TryLock(const std::wstring& folder, bool scheduled) noexcept override {
    Attempt attempt;
    const int tried = ++tries[folder];
    if (unavailable.count(folder)) return attempt;
    auto other = heldByOthers.find(folder);
    if (other != heldByOthers.end()) {
      auto free = freeAfterTries.find(folder);
      if (free == freeAfterTries.end() || tried <= free->second) {
        attempt.outcome = Outcome::kHeld;
        attempt.holder = other->second;
        return attempt;
      }
    }
    if (IsHeld(folder)) {
      attempt.outcome = Outcome::kHeld;
      return attempt;
    }
    scheduledTaker[folder] = scheduled;
    attempt.outcome = Outcome::kTaken;
    attempt.lock = std::make_unique<Held>(held_, folder);
    return attempt;
  }

 private:
  using Folders = std::map<std::wstring, int>;
  class Held : public Lock {
   public:
    Held(std::shared_ptr<Folders> folders, std::wstring folder)
        : folders_(std::move(folders)), folder_(std::move(folder)) {
      (*folders_)[folder_] = 1;
    }
    ~Held() override { folders_->erase(folder_); }

   private:
    std::shared_ptr<Folders> folders_;
    std::wstring folder_;
  };
  std::shared_ptr<Folders> held_ = std::make_shared<Folders>();
};

}  // namespace vyn::fakes
