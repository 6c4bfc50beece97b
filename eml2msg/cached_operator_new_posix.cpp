// The program's operator new and delete on Linux: blocks of up to
// BlockCache::kLargest bytes that a thread frees are kept in a cache of
// that thread's, in front of the C library's heap, for its next requests.
// Builds with a sanitizer that checks the heap keep the C++ runtime's own:
// a block kept here would escape its checks.
#include <cstdlib>
#include <new>

#include "eml2msg/block_cache.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MAILVANE_HEAP_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define MAILVANE_HEAP_CHECKED 1
#endif
#endif

#if !defined(MAILVANE_HEAP_CHECKED)

namespace {

using mailvane::cli::BlockCache;

struct ThreadBlocks {
    BlockCache cache;
    bool ending = false;      // the thread is ending: freed blocks go straight back to the heap
    bool registered = false;  // the thread's end will empty the cache
};

// Trivially destructible, so that it can still be used while the thread's
// other objects, and at the program's end its static ones, are destroyed.
thread_local ThreadBlocks t_blocks;

// Empties the thread's cache when the thread ends (for the main thread,
// when the program ends, before its static objects are destroyed).
struct ThreadEnd {
    ~ThreadEnd() {
        t_blocks.ending = true;
        t_blocks.cache.Empty([](void* block) { std::free(block); });
    }
};
thread_local ThreadEnd t_end;

void* Allocate(std::size_t size) {
    if (size <= BlockCache::kLargest) {
        if (void* block = t_blocks.cache.Take(size)) return block;
        // Always a whole class's size, as Keep requires, even if never kept.
        size = BlockCache::BlockSize(size);
    }
    for (;;) {
        if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

// Only a sized delete says which class a block belongs to; an unsized one
// frees it.
void Release(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
    if (size <= BlockCache::kLargest && !t_blocks.ending) {
        if (!t_blocks.registered) {
            t_blocks.registered = true;
            [[maybe_unused]] const ThreadEnd* end = &t_end;  // constructed on first use: its destructor now runs
        }
        if (t_blocks.cache.Keep(block, size)) return;
    }
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t size) noexcept { Release(block, size); }
void operator delete[](void* block, std::size_t size) noexcept { Release(block, size); }

#endif
