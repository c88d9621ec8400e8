# Imported targets for the cross-built dependencies in CORVANE_DEPS and the
# mingw packages of Debian (zlib) and header-only stb.
if(NOT EXISTS ${CORVANE_DEPS}/lib)
  message(FATAL_ERROR "dependencies not found in ${CORVANE_DEPS}: run scripts/setup.sh first")
endif()
get_filename_component(CORVANE_DEPS_REAL ${CORVANE_DEPS} REALPATH)

function(corvane_import name archive)
  cmake_parse_arguments(ARG "" "" "DEFINES;LINKS" ${ARGN})
  set(path ${CORVANE_DEPS_REAL}/lib/${archive})
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "missing ${path}: run scripts/setup.sh")
  endif()
  add_library(corvane::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(corvane::${name} PROPERTIES
    IMPORTED_LOCATION ${path}
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${CORVANE_DEPS_REAL}/include
    INTERFACE_INCLUDE_DIRECTORIES ${CORVANE_DEPS_REAL}/include
    INTERFACE_COMPILE_DEFINITIONS "${ARG_DEFINES}"
    INTERFACE_LINK_LIBRARIES "${ARG_LINKS}")
endfunction()

corvane_import(curl libcurl.a DEFINES CURL_STATICLIB LINKS "ws2_32;bcrypt;advapi32;crypt32;secur32")
corvane_import(lzma liblzma.a DEFINES LZMA_API_STATIC)
corvane_import(zstd libzstd.a)
corvane_import(tar libtar.a)
corvane_import(tinyxml libtinyxml.a DEFINES TIXML_USE_STL)
corvane_import(boost_thread libboost_thread.a DEFINES "BOOST_THREAD_USE_LIB;BOOST_ALL_NO_LIB")
corvane_import(gtest_lib libgtest.a)
corvane_import(gmock_lib libgmock.a LINKS corvane::gtest_lib)
add_library(GTest::gtest ALIAS corvane::gtest_lib)
add_library(GTest::gmock ALIAS corvane::gmock_lib)

# The import library comes first in the search path; name the archive so the
# programs do not need zlib1.dll.
find_file(CORVANE_ZLIB_ARCHIVE libz.a PATHS /usr/${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32/lib
          /usr/i686-w64-mingw32/lib NO_DEFAULT_PATH REQUIRED)
add_library(corvane::zlib STATIC IMPORTED GLOBAL)
set_target_properties(corvane::zlib PROPERTIES IMPORTED_LOCATION ${CORVANE_ZLIB_ARCHIVE})

# stb lives beside the host's headers; expose only its own folder.
add_library(corvane::stb INTERFACE IMPORTED GLOBAL)
set_target_properties(corvane::stb PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES /usr/include/stb
  INTERFACE_INCLUDE_DIRECTORIES /usr/include/stb)
