#pragma once

namespace mailvane::cli {

// Has the C library's heap keep the memory a message frees for the next
// message, instead of handing it back to the system and faulting it in
// again page by page: blocks of up to 4 MiB come from the heap, and up to
// 16 MiB free at its top stays there. Larger blocks, those of large
// messages only, are still taken from and handed back to the system each
// time. Called once, before the work starts; does nothing where the C
// library has no such settings.
void KeepFreedHeapForReuse();

}  // namespace mailvane::cli
