# Cross-compiles for 64-bit Windows with Debian's mingw-w64: the same
# programs as the 32-bit build, for 64-bit Windows only.
#
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake \
#         -DSLIDEWRIGHT_WINDEPS_PREFIX=<prefix printed by scripts/build-windows-deps.sh x86_64>
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(_mingw x86_64-w64-mingw32)
# x86-64 computes in SSE2 registers already.
set(_mingw_arch_flags "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
