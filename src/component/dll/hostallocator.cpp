// Built into the shared library only: every C++ allocation of the component goes to the host's
// allocator, so that the host can account for it and blocks crossing the boundary match.
#include <cstddef>
#include <new>

#include "ravelbank/host.h"

namespace {
void* Allocate(std::size_t size) {
  if (void* block = OruAlloc(size)) return block;
  throw std::bad_alloc();
}

void* AllocateNoThrow(std::size_t size) noexcept { return OruAlloc(size); }

// OruAlloc's blocks are aligned to 16 bytes, which covers every alignment the component asks for; a
// larger one is refused rather than handed out misaligned.
void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  if (static_cast<std::size_t>(alignment) > 16) throw std::bad_alloc();
  return Allocate(size);
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void* operator new(std::size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }

void operator delete(void* block) noexcept { OruFree(block); }
void operator delete[](void* block) noexcept { OruFree(block); }
void operator delete(void* block, std::size_t) noexcept { OruFree(block); }
void operator delete[](void* block, std::size_t) noexcept { OruFree(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { OruFree(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { OruFree(block); }
void operator delete(void* block, std::align_val_t) noexcept { OruFree(block); }
void operator delete[](void* block, std::align_val_t) noexcept { OruFree(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { OruFree(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { OruFree(block); }
