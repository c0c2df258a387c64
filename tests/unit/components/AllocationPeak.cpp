#include "AllocationPeak.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace vyn::test {

namespace {

// Each block carries its size in front, so that delete can count it off.
constexpr std::size_t kHeader = alignof(std::max_align_t) > sizeof(std::size_t)
                                    ? alignof(std::max_align_t)
                                    : sizeof(std::size_t);

std::atomic<bool> counting{false};
std::atomic<std::size_t> held{0};
std::atomic<std::size_t> base{0};
std::atomic<std::size_t> peak{0};
std::atomic<std::size_t> limit{0};

void* Allocate(std::size_t size) {
  const std::size_t now = held.fetch_add(size) + size;
  if (counting.load()) {
    if (now > base.load() + limit.load()) {
      held.fetch_sub(size);
      return nullptr;
    }
    std::size_t seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
  }
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (!block) {
    held.fetch_sub(size);
    return nullptr;
  }
  *reinterpret_cast<std::size_t*>(block) = size;
  return block + kHeader;
}

void Release(void* pointer) {
  if (!pointer) return;
  auto* block = static_cast<unsigned char*>(pointer) - kHeader;
  held.fetch_sub(*reinterpret_cast<std::size_t*>(block));
  std::free(block);
}

}  // namespace

AllocationPeak::AllocationPeak(std::size_t cap) {
  base = held.load();
  peak = base.load();
  limit = cap;
  counting = true;
}

AllocationPeak::~AllocationPeak() {
  counting = false;
}

std::size_t AllocationPeak::Peak() const {
  return peak.load() - base.load();
}

}  // namespace vyn::test

void* operator new(std::size_t size) {
  if (void* pointer = vyn::test::Allocate(size)) return pointer;
  throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
  return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return vyn::test::Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return vyn::test::Allocate(size);
}

void operator delete(void* pointer) noexcept {
  vyn::test::Release(pointer);
}

void operator delete[](void* pointer) noexcept {
  vyn::test::Release(pointer);
}

void operator delete(void* pointer, std::size_t) noexcept {
  vyn::test::Release(pointer);
}

void operator delete[](void* pointer, std::size_t) noexcept {
  vyn::test::Release(pointer);
}
