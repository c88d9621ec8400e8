/* Build configuration of libtar for 32-bit Windows (mingw-w64). */
#ifndef CORVANE_LIBTAR_CONFIG_H
#define CORVANE_LIBTAR_CONFIG_H

#define HAVE_UNISTD_H 1
#define HAVE_LIBGEN_H 1
#define HAVE_STRFTIME 1
#define HAVE_SNPRINTF 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1

/* The C runtime's basename and dirname cut their argument in place, and
 * libtar goes on to use the member path it passed them: take the
 * library's own versions, which answer in a buffer of their own. */
#define NEED_BASENAME 1
#define NEED_DIRNAME 1
#define NEED_STRLCPY 1
#define NEED_STRMODE 1
#define NEED_FNMATCH 1
#define NEED_MAKEDEV 1
#define NEED_STRSEP 1

#define PACKAGE_NAME "libtar"
#define PACKAGE_VERSION "1.2.20"

#include "win32_compat.h"

#endif
