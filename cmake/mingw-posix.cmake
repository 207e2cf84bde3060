# Shared part of the MinGW-w64 cross toolchains. The -posix variants are used
# because the default -win32 thread model has no std::mutex (GoogleTest needs it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TIDEMARK_TRIPLE_ARCH})
set(CMAKE_C_COMPILER   ${TIDEMARK_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIDEMARK_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TIDEMARK_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TIDEMARK_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
