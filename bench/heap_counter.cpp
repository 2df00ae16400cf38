#include "heap_counter.hpp"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <pugixml.hpp>

namespace quorvel::bench::heap {
namespace {

std::atomic<bool> counting{false};
std::atomic<long long> inUse{0};
std::atomic<long long> peak{0};

long long Footprint(void* block) {
  return static_cast<long long>(malloc_usable_size(block) + sizeof(std::size_t));
}

void* Allocate(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (!block || !counting.load(std::memory_order_relaxed)) return block;
  const long long now = inUse.fetch_add(Footprint(block), std::memory_order_relaxed) + Footprint(block);
  long long seen = peak.load(std::memory_order_relaxed);
  while (now > seen && !peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
  }
  return block;
}

void Free(void* block) {
  if (block && counting.load(std::memory_order_relaxed)) {
    inUse.fetch_sub(Footprint(block), std::memory_order_relaxed);
  }
  std::free(block);
}

}  // namespace

void Install() { pugi::set_memory_management_functions(Allocate, Free); }

Counting::Counting() {
  inUse.store(0);
  peak.store(0);
  counting.store(true);
}
Counting::~Counting() { counting.store(false); }

long long InUse() { return inUse.load(std::memory_order_relaxed); }
long long Peak() { return peak.load(std::memory_order_relaxed); }
void ResetPeak() { peak.store(InUse(), std::memory_order_relaxed); }

// The replaced global allocation functions call these.
void* AllocateForNew(std::size_t size) { return Allocate(size); }
void FreeForDelete(void* block) { Free(block); }

}  // namespace quorvel::bench::heap

void* operator new(std::size_t size) {
  if (void* block = quorvel::bench::heap::AllocateForNew(size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return quorvel::bench::heap::AllocateForNew(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return quorvel::bench::heap::AllocateForNew(size);
}
void operator delete(void* block) noexcept { quorvel::bench::heap::FreeForDelete(block); }
void operator delete[](void* block) noexcept { quorvel::bench::heap::FreeForDelete(block); }
void operator delete(void* block, std::size_t) noexcept { quorvel::bench::heap::FreeForDelete(block); }
void operator delete[](void* block, std::size_t) noexcept { quorvel::bench::heap::FreeForDelete(block); }
