#include "tests/component/stack_offset_call.h"

#include <cstdint>

#if defined(__i386__)
// mv_call_at_stack_offset(entry, arguments, size, offset), cdecl: copies the
// arguments to a frame whose start lies `offset` bytes past a 16-byte
// boundary, calls `entry` (which, being stdcall, takes them off again) and
// restores the stack from the frame pointer.
asm(R"(
    .text
    .globl _mv_call_at_stack_offset
_mv_call_at_stack_offset:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    movl %esp, %edi
    subl %ecx, %edi
    subl $16, %edi
    andl $-16, %edi
    addl 20(%ebp), %edi
    movl %edi, %esp
    shrl $2, %ecx
    cld
    rep movsl
    call *8(%ebp)
    leal -8(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
)");

extern "C" std::int32_t mv_call_at_stack_offset(const void* entry, const void* arguments, std::size_t size,
                                                unsigned offset);
#endif

namespace mailvane::component_test {
namespace {

thread_local unsigned t_offset = 0;

}  // namespace

unsigned CurrentCallStackOffset() { return t_offset; }

ScopedCallStackOffset::ScopedCallStackOffset(unsigned offset) : m_previous(t_offset) { t_offset = offset % 16; }

ScopedCallStackOffset::~ScopedCallStackOffset() { t_offset = m_previous; }

#if defined(__i386__)
HRESULT CallAtStackOffset(const void* entry, const void* arguments, std::size_t size, unsigned offset) {
    return static_cast<HRESULT>(mv_call_at_stack_offset(entry, arguments, size, offset));
}
#endif

}  // namespace mailvane::component_test
