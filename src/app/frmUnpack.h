#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/Forms.h"
#include "platform/Platform.h"
#include "platform/UnpackObserver.h"

namespace vyn {

// An unpacking's progress between its thread and the window's: the unpacking
// stores, the window reads. A Cancel is taken only before the commit begins.
class UnpackProgress : public UnpackObserver {
 public:
  bool Unpacked(std::uint64_t done, std::uint64_t total) override;
  void Committing() override { committing_ = true; }

  void Reset();
  void Cancel();
  bool CancelAsked() const { return cancelled_; }
  bool InCommit() const { return committing_; }
  // Thousandths done.
  int Permille() const;

 private:
  std::atomic<std::uint64_t> done_{0};
  std::atomic<std::uint64_t> total_{0};
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> committing_{false};
};

// The modal window "Unpacking MLS Data" with a bar and "&Cancel" that an unpack
// runs in: its first timer tick runs the unpacking away from the window's thread
// and keeps the bar and the Cancel live meanwhile. Cancel is greyed once the
// files move into place.
class frmUnpack : public FormEvents {
 public:
  frmUnpack(Platform& platform, UnpackProgress& progress);
  ~frmUnpack() override;
  frmUnpack(const frmUnpack&) = delete;
  frmUnpack& operator=(const frmUnpack&) = delete;

  // Runs `work` under the window captioned `caption`; rethrows what it throws.
  // False when Cancel stopped it before its commit: nothing was changed.
  bool Unpack(const std::wstring& caption, const std::function<void()>& work);

  static FormDesign Design();
  void OnClick(const std::wstring& control) override;
  void OnTimer() override;

 private:
  void Tick();

  Platform& platform_;
  UnpackProgress& progress_;
  std::unique_ptr<Form> form_;
  std::function<void()> work_;
  bool ran_ = false;
  std::exception_ptr failure_;
};

}  // namespace vyn
