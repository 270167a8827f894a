# Cross-compiles for 32-bit Windows (the shipped programs) with Debian's
# mingw-w64.
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake \
#         -DSLIDEWRIGHT_WINDEPS_PREFIX=<prefix printed by scripts/build-windows-deps.sh i686>
set(CMAKE_SYSTEM_PROCESSOR x86)
set(_mingw i686-w64-mingw32)
# Floating point in SSE2 registers rather than the x87 stack: with x87's
# extended precision a product such as 140 + 0.85 * 40 truncates to 173 here
# and to 174 on x86-64, so the same album would differ by a pixel between the
# Windows program and the command line. Every processor that runs a current
# Windows has SSE2.
set(_mingw_arch_flags "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
