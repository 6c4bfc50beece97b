# The shipped 32-bit program.
set(MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# 32-bit Windows promises 4-byte stack alignment only: a caller of the
# component (a script host, another compiler's program, a thread started
# by the system) may call with a stack 4, 8 or 12 bytes off 16. GCC's code
# for i686 assumes 16 on entry and spills SSE values to the stack with
# aligned stores, so every function that needs more than 4 is told to
# realign its own frame. Only such functions pay: a handful, each one
# 'and' and a frame pointer more.
set(CMAKE_C_FLAGS_INIT "-mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-mincoming-stack-boundary=2")
