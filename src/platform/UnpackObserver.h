#pragma once

#include <cstdint>

namespace vyn {

// What an unpacking tells while it runs, and how it hears a Cancel. Called on the
// thread that unpacks, which is not the window's: an implementation only stores.
class UnpackObserver {
 public:
  virtual ~UnpackObserver() = default;
  // `done` of `total` bytes unpacked into the staging folder. False stops the
  // unpacking before anything in the target folder changes.
  virtual bool Unpacked(std::uint64_t done, std::uint64_t total) = 0;
  // From here the unpacking moves the files into place and cannot be stopped.
  virtual void Committing() = 0;
};

}  // namespace vyn
