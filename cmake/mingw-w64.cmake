# Shared part of the mingw-w64 toolchain files: the caller sets _mingw to the
# target triplet (i686-w64-mingw32 or x86_64-w64-mingw32) first.
#
# The -posix compiler variant is used because the default one has the win32
# thread model, in which std::thread and std::mutex do not exist. Everything
# is linked statically so that the programs need no runtime DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER NAMES ${_mingw}-gcc-posix ${_mingw}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_mingw}-g++-posix ${_mingw}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_mingw}-windres REQUIRED)
set(CMAKE_AR ${_mingw}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_mingw}-ranlib CACHE FILEPATH "")

# The cross-built third-party libraries (libjpeg-turbo, libpng, zlib, giflib,
# LAME, mpg123, GoogleTest) live in one prefix per target outside the source
# tree.
if(NOT SLIDEWRIGHT_WINDEPS_PREFIX AND DEFINED ENV{SLIDEWRIGHT_WINDEPS_PREFIX})
  set(SLIDEWRIGHT_WINDEPS_PREFIX "$ENV{SLIDEWRIGHT_WINDEPS_PREFIX}")
endif()
# try_compile projects re-read this file and need the prefix as well.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SLIDEWRIGHT_WINDEPS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
if(SLIDEWRIGHT_WINDEPS_PREFIX)
  # The text piece (FreeType) is found beside the base libraries; the video
  # piece is looked up by the export alone, through pkg-config.
  list(PREPEND CMAKE_FIND_ROOT_PATH "${SLIDEWRIGHT_WINDEPS_PREFIX}" "${SLIDEWRIGHT_WINDEPS_PREFIX}/text")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives only: a DLL import library found first would make the
# programs depend on a DLL that is not shipped.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The C99 printf family of mingw-w64 instead of the system's msvcrt one, which
# does not know %zu, %lld or %hhd on older Windows.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1 ${_mingw_arch_flags}")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1 ${_mingw_arch_flags}")
