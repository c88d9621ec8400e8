/* Implementations behind win32_compat.h, pwd.h and grp.h. */
#include "win32_compat.h"

#include <errno.h>
#include <stddef.h>
#include <windows.h>

#include "grp.h"
#include "pwd.h"

#undef mkdir
#undef utime

int tarw32_lstat(const char *path, struct stat *st)
{
	/* Windows packages carry no links, so lstat and stat agree. */
	return stat(path, st);
}

int tarw32_mkdir(const char *path, mode_t mode)
{
	(void)mode;
	return _mkdir(path);
}

static FILETIME unix_to_filetime(time_t t)
{
	ULARGE_INTEGER v;
	FILETIME ft;
	v.QuadPart = ((unsigned long long)t + 11644473600ULL) * 10000000ULL;
	ft.dwLowDateTime = v.LowPart;
	ft.dwHighDateTime = v.HighPart;
	return ft;
}

int tarw32_utime(const char *path, const struct utimbuf *times)
{
	/* The C runtime's utime cannot open folders; a handle opened with
	 * backup semantics can, so set the times through it for both kinds. */
	HANDLE h = CreateFileA(path, FILE_WRITE_ATTRIBUTES,
			       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
			       NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
	if (h == INVALID_HANDLE_VALUE) {
		errno = ENOENT;
		return -1;
	}
	FILETIME access = unix_to_filetime(times ? times->actime : time(NULL));
	FILETIME write = unix_to_filetime(times ? times->modtime : time(NULL));
	BOOL ok = SetFileTime(h, NULL, &access, &write);
	CloseHandle(h);
	if (!ok) {
		errno = EACCES;
		return -1;
	}
	return 0;
}

int tarw32_chown(const char *path, uid_t uid, gid_t gid)
{
	(void)path; (void)uid; (void)gid;
	return 0;
}

int tarw32_fchown(int fd, uid_t uid, gid_t gid)
{
	(void)fd; (void)uid; (void)gid;
	return 0;
}

int tarw32_fchmod(int fd, mode_t mode)
{
	(void)fd; (void)mode;
	return 0;
}

static int unsupported(void)
{
	errno = ENOSYS;
	return -1;
}

int tarw32_link(const char *from, const char *to)
{
	(void)from; (void)to;
	return unsupported();
}

int tarw32_symlink(const char *from, const char *to)
{
	(void)from; (void)to;
	return unsupported();
}

int tarw32_readlink(const char *path, char *buf, size_t size)
{
	(void)path; (void)buf; (void)size;
	return unsupported();
}

int tarw32_mknod(const char *path, mode_t mode, dev_t dev)
{
	(void)path; (void)mode; (void)dev;
	return unsupported();
}

int tarw32_mkfifo(const char *path, mode_t mode)
{
	(void)path; (void)mode;
	return unsupported();
}

uid_t tarw32_geteuid(void)
{
	/* Not root: libtar then leaves ownership alone. */
	return 1;
}

struct passwd *getpwnam(const char *name) { (void)name; return NULL; }
struct passwd *getpwuid(int uid) { (void)uid; return NULL; }
struct group *getgrnam(const char *name) { (void)name; return NULL; }
struct group *getgrgid(int gid) { (void)gid; return NULL; }
