/* Windows has no user database; lookups find nobody. */
#ifndef CORVANE_LIBTAR_PWD_H
#define CORVANE_LIBTAR_PWD_H
#include <sys/types.h>
struct passwd { char *pw_name; int pw_uid; int pw_gid; };
struct passwd *getpwnam(const char *name);
struct passwd *getpwuid(int uid);
#endif
