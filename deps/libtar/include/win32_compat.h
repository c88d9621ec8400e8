/*
 * POSIX pieces that libtar expects and the Windows C runtime lacks.
 * Ownership, links, devices and fifos have no meaning for our packages:
 * the calls exist so the library links, and they fail (or succeed as no-ops
 * where a failure would abort an otherwise sound extraction).
 */
#ifndef CORVANE_LIBTAR_WIN32_COMPAT_H
#define CORVANE_LIBTAR_WIN32_COMPAT_H

#include <sys/types.h>
#include <sys/stat.h>
#include <io.h>
#include <ctype.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <direct.h>
#include <sys/utime.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef S_IFLNK
#define S_IFLNK 0xA000
#endif
#ifndef S_IFSOCK
#define S_IFSOCK 0xC000
#endif
#ifndef S_ISLNK
#define S_ISLNK(m) (((m) & S_IFMT) == S_IFLNK)
#endif
#ifndef S_ISSOCK
#define S_ISSOCK(m) (((m) & S_IFMT) == S_IFSOCK)
#endif
#ifndef S_ISUID
#define S_ISUID 04000
#endif
#ifndef S_ISGID
#define S_ISGID 02000
#endif
#ifndef S_ISVTX
#define S_ISVTX 01000
#endif
#ifndef S_IRGRP
#define S_IRGRP 0040
#define S_IWGRP 0020
#define S_IXGRP 0010
#define S_IROTH 0004
#define S_IWOTH 0002
#define S_IXOTH 0001
#endif
#ifndef S_IRWXG
#define S_IRWXG (S_IRGRP | S_IWGRP | S_IXGRP)
#define S_IRWXO (S_IROTH | S_IWOTH | S_IXOTH)
#endif

#define major(dev) ((int)(((unsigned)(dev) >> 8) & 0xff))
#define minor(dev) ((int)((unsigned)(dev) & 0xff))
#define makedev(ma, mi) ((dev_t)((((unsigned)(ma) & 0xff) << 8) | ((unsigned)(mi) & 0xff)))

#include "posix_types.h"

int tarw32_lstat(const char *path, struct stat *st);
int tarw32_mkdir(const char *path, mode_t mode);
int tarw32_utime(const char *path, const struct utimbuf *times);
int tarw32_chown(const char *path, uid_t uid, gid_t gid);
int tarw32_fchown(int fd, uid_t uid, gid_t gid);
int tarw32_fchmod(int fd, mode_t mode);
int tarw32_link(const char *from, const char *to);
int tarw32_symlink(const char *from, const char *to);
int tarw32_readlink(const char *path, char *buf, size_t size);
int tarw32_mknod(const char *path, mode_t mode, dev_t dev);
int tarw32_mkfifo(const char *path, mode_t mode);
uid_t tarw32_geteuid(void);

#define lstat(p, s) tarw32_lstat((p), (s))
#define mkdir(p, m) tarw32_mkdir((p), (m))
#define utime(p, t) tarw32_utime((p), (t))
#define chown(p, u, g) tarw32_chown((p), (u), (g))
#define lchown(p, u, g) tarw32_chown((p), (u), (g))
#define fchown(f, u, g) tarw32_fchown((f), (u), (g))
#define fchmod(f, m) tarw32_fchmod((f), (m))
#define link(a, b) tarw32_link((a), (b))
#define symlink(a, b) tarw32_symlink((a), (b))
#define readlink(p, b, n) tarw32_readlink((p), (b), (n))
#define mknod(p, m, d) tarw32_mknod((p), (m), (d))
#define mkfifo(p, m) tarw32_mkfifo((p), (m))
#define geteuid() tarw32_geteuid()

#ifdef __cplusplus
}
#endif

#endif
