#include "eml2msg/heap_reuse.h"

#include <malloc.h>

namespace mailvane::cli {

// glibc starts by taking blocks of 128 KiB and more straight from the
// system and by handing back 128 KiB or more free at the top of its heap.
// It raises both limits as it sees large blocks freed, but not for blocks
// as large as those it has seen, which it then keeps taking and handing
// back. Setting either limit ends the raising for both, so both are set.
void KeepFreedHeapForReuse() {
#if defined(M_MMAP_THRESHOLD) && defined(M_TRIM_THRESHOLD)
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 16 << 20);
#endif
}

}  // namespace mailvane::cli
