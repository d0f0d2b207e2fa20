# Cross-compiles for 32-bit Windows with MinGW-w64. The posix thread-model compilers are used
# because the win32 model has no std::mutex or std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(LUMORA_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${LUMORA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMORA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${LUMORA_MINGW_PREFIX}-windres)
find_program(LUMORA_WIDL ${LUMORA_MINGW_PREFIX}-widl REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${LUMORA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Runtime linked statically: a program that needs libstdc++ or libgcc DLLs exits at once under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
