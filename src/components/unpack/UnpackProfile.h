#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace vyn {

// Where an unpacking's time goes, for the benchmark. The writer's phases (open,
// write, close) are summed over its worker threads: they overlap each other and
// the rest.
struct UnpackProfile {
  enum Phase {
    kRecovery,  // commits of earlier runs finished first
    kPlan,      // the directory read and checked, the staging folder made
    kInflate,
    kQueue,  // waiting for the writer to take a member
    kOpen,
    kWrite,
    kClose,     // with its commit to disk, where each file is committed alone
    kProgress,  // the observer
    kWriteOut,  // waiting for the writer to finish and every file to be on disk
    kCheck,     // the places in the target folder
    kJournal,
    kMoves,
    kCleanup,  // the staging folder removed
    kPhases
  };
  std::atomic<std::int64_t> nanoseconds[kPhases] = {};

  static const char* Name(Phase phase) {
    static const char* const kNames[kPhases] = {
        "recovery", "plan",     "inflate", "queue",   "open",  "write",  "close",
        "progress", "writeout", "check",   "journal", "moves", "cleanup"};
    return kNames[phase];
  }
};

// Adds the time of its scope to one phase of a profile, when there is one.
class PhaseTimer {
 public:
  PhaseTimer(UnpackProfile* profile, UnpackProfile::Phase phase)
      : profile_(profile), phase_(phase) {
    if (profile_) begun_ = std::chrono::steady_clock::now();
  }
  ~PhaseTimer() {
    if (!profile_) return;
    profile_->nanoseconds[phase_] += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         std::chrono::steady_clock::now() - begun_)
                                         .count();
  }
  PhaseTimer(const PhaseTimer&) = delete;
  PhaseTimer& operator=(const PhaseTimer&) = delete;

 private:
  UnpackProfile* profile_;
  UnpackProfile::Phase phase_;
  std::chrono::steady_clock::time_point begun_;
};

}  // namespace vyn
