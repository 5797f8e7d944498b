# Cross-compiles the core, the command line and their tests for 64-bit Windows with mingw-w64;
# the tests then run under Wine (scripts/wine-run).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TWINLENS_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model: GoogleTest needs std::mutex, which the win32 model of g++ 12 lacks.
set(CMAKE_C_COMPILER ${TWINLENS_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TWINLENS_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TWINLENS_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TWINLENS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe per program: no mingw runtime DLLs to find under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
