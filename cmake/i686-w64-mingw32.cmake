set(TIDEMARK_TRIPLE i686-w64-mingw32)
set(TIDEMARK_TRIPLE_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-posix.cmake)
