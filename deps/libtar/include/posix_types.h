/* Owner types that libtar's interface names; the Windows C runtime has none. */
#ifndef CORVANE_LIBTAR_POSIX_TYPES_H
#define CORVANE_LIBTAR_POSIX_TYPES_H
typedef int uid_t;
typedef int gid_t;
#endif
