// eml2msg's global allocation functions. Converting a message makes and
// frees a few hundred small blocks (header fields, names, property values,
// stream names), and the next message asks for the same sizes again. The C
// runtime's allocator keeps only a handful of freed blocks of a size at
// hand and sorts the rest back into its bins, which costs a tenth of the
// processor time of a run. Here every freed block of up to kLargestRecycled
// bytes goes onto a list of its size class in the freeing thread and is
// handed out again from there; larger blocks go straight to malloc and
// free.
//
// Ownership: a recycled block is never returned to the C runtime; the lists
// hold at most what one message needed at once per thread, and a list left
// by a finished worker thread stays allocated until the process ends. A
// block freed by another thread than the one that made it joins the
// freeing thread's list. Aligned allocations (align_val_t) keep the
// library's own functions, which never see these blocks.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

// The size class sits in front of each block; 16 bytes keep the block
// aligned for any fundamental type.
constexpr std::size_t kHeader = 16;
static_assert(kHeader % alignof(std::max_align_t) == 0);
constexpr std::size_t kGranule = 16;
constexpr std::size_t kLargestRecycled = 512;
constexpr std::size_t kClasses = kLargestRecycled / kGranule;
// The class recorded for a block that malloc made for itself.
constexpr std::size_t kUnrecycled = kClasses;

struct FreeBlock {
    FreeBlock* next;
};

// Constant-initialised, so reaching it needs no guard.
thread_local FreeBlock* t_freeBlocks[kClasses] = {};

void* Allocate(std::size_t size) {
    const std::size_t sizeClass = size == 0 ? 0 : (size - 1) / kGranule;
    if (sizeClass < kClasses) {
        if (FreeBlock* block = t_freeBlocks[sizeClass]) {
            t_freeBlocks[sizeClass] = block->next;
            return block;
        }
    }
    const std::size_t bytes = sizeClass < kClasses ? (sizeClass + 1) * kGranule : size;
    if (bytes > static_cast<std::size_t>(-1) - kHeader) return nullptr;
    auto* raw = static_cast<unsigned char*>(std::malloc(kHeader + bytes));
    if (raw == nullptr) return nullptr;
    *reinterpret_cast<std::size_t*>(raw) = sizeClass < kClasses ? sizeClass : kUnrecycled;
    return raw + kHeader;
}

void Release(void* block) noexcept {
    if (block == nullptr) return;
    unsigned char* raw = static_cast<unsigned char*>(block) - kHeader;
    const std::size_t sizeClass = *reinterpret_cast<const std::size_t*>(raw);
    if (sizeClass == kUnrecycled) {
        std::free(raw);
        return;
    }
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = t_freeBlocks[sizeClass];
    t_freeBlocks[sizeClass] = freed;
}

void* AllocateOrThrow(std::size_t size) {
    for (;;) {
        if (void* block = Allocate(size)) return block;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void* AllocateOrNull(std::size_t size) noexcept {
    try {
        return AllocateOrThrow(size);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
