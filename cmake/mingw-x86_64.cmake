# 64-bit Windows: the build the tests run on machines that cannot execute
# 32-bit programs (scripts/wine-env.sh).
set(CORVANE_TARGET_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
