# 32-bit Windows: what the product ships as.
set(CORVANE_TARGET_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
