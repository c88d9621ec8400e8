/* Windows has no group database; lookups find nothing. */
#ifndef CORVANE_LIBTAR_GRP_H
#define CORVANE_LIBTAR_GRP_H
#include <sys/types.h>
struct group { char *gr_name; int gr_gid; };
struct group *getgrnam(const char *name);
struct group *getgrgid(int gid);
#endif
