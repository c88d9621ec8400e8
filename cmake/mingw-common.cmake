# Cross toolchain through mingw-w64 for CORVANE_TARGET_ARCH (set by the
# toolchain file that includes this one): posix thread model, which
# GoogleTest needs, with every runtime linked statically so each .exe runs on
# its own. Programs built with it run under Wine; the emulator is told the
# architecture, so that it picks the matching prefix (scripts/wine-env.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${CORVANE_TARGET_ARCH})
set(host ${CORVANE_TARGET_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${host}-gcc-posix)
set(CMAKE_CXX_COMPILER ${host}-g++-posix)
set(CMAKE_RC_COMPILER ${host}-windres)
set(CMAKE_AR ${host}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${host}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${host})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env CORVANE_ARCH=${CORVANE_TARGET_ARCH}
    "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
