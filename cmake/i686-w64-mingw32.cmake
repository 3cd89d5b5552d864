# Cross build for 32-bit Windows with Debian's mingw-w64 (POSIX-threads
# flavour). Programs link libgcc, libstdc++ and winpthread statically, so
# they need no DLL beyond the system's own and our sqlite3.dll. Tests and
# test discovery run under Wine's 32-bit loader, in a 64-bit prefix inside
# the build folder, so a 32-bit program sees WoW64 as on 64-bit Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VORLAKE_MINGW i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VORLAKE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORLAKE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VORLAKE_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VORLAKE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# BOTH: our own sqlite3 import library lives in the build folder.
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static rather than winpthread as a whole archive: only the members the
# program uses are linked, so winpthread's own version resource stays out
# and the program's is the only one. System DLLs and sqlite3.dll are still
# imported, through their import libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT}")

# The loader of the 32-bit half of Wine; the wrapper in /usr/bin picks the
# 64-bit one for a 64-bit prefix only by looking at the program. The
# programs run with the ANSI code page 936 of the Chinese Windows they are
# made for, in the zh_CN.UTF-8 locale that build-windows.sh makes in the
# build folder: without it on the host, Wine would still pick page 936 but
# mangle every non-ASCII file name on its way to the host.
find_program(VORLAKE_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(VORLAKE_WINE32)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEARCH=win64
      WINEDEBUG=-all LOCPATH=${CMAKE_BINARY_DIR}/locale LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
      ${VORLAKE_WINE32})
endif()
