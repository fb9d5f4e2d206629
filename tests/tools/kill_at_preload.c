/* Preloaded into hvxfer-cli by the killed-run tests: kills the process with SIGKILL at one chosen step of
 * making a new save, so that what a crash leaves behind can be checked without any test code in the
 * program itself.
 *
 * HVXFER_KILL_IN names the folder the save is made in (an absolute path ending with "/"); its files are the
 * ones watched. HVXFER_KILL_AT names the step:
 *   create       right after a file was created there
 *   write        on entry to the first write to it
 *   half-write   after half of that write reached the file
 *   flush        on entry to fsync of it
 *   close        on entry to closing it
 *   rename       on entry to renaming one of its files
 *   link         on entry to linking one of its files to another name
 *   unlink       on entry to unlinking one of its files
 *   sync-folder  on entry to fsync of a folder
 * HVXFER_NO_RENAME_NOREPLACE=1 makes renameat2 fail with EINVAL, as on a file system without it, so that
 * the link-and-unlink path runs.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int KillsAt(const char* step) {
  const char* at = getenv("HVXFER_KILL_AT");
  return at != NULL && strcmp(at, step) == 0;
}

static void Die(void) {
  kill(getpid(), SIGKILL);
  for (;;) pause();
}

static int IsWatchedPath(const char* path) {
  const char* folder = getenv("HVXFER_KILL_IN");
  return path != NULL && folder != NULL && strncmp(path, folder, strlen(folder)) == 0;
}

static int IsWatchedFile(int fd) {
  char link[64], target[4096];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, target, sizeof target - 1);
  if (n <= 0) return 0;
  target[n] = '\0';
  return IsWatchedPath(target);
}

static int IsFolder(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
}

#define REAL(name, type) ((type)dlsym(RTLD_NEXT, #name))

static int AfterOpen(int fd, const char* path, int flags) {
  if (fd >= 0 && (flags & O_CREAT) && IsWatchedPath(path) && KillsAt("create")) Die();
  return fd;
}

/* The mode argument, present only when the call creates a file. */
#define TAKE_MODE(mode, flags)                \
  mode_t mode = 0;                            \
  if ((flags) & (O_CREAT | O_TMPFILE)) {      \
    va_list ap;                               \
    va_start(ap, flags);                      \
    mode = va_arg(ap, mode_t);                \
    va_end(ap);                               \
  }

#define OPEN_WRAPPER(name)                                                                     \
  int name(const char* path, int flags, ...) {                                                 \
    TAKE_MODE(mode, flags)                                                                     \
    return AfterOpen(REAL(name, int (*)(const char*, int, ...))(path, flags, mode), path, flags); \
  }
OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)

#define OPENAT_WRAPPER(name)                                                                              \
  int name(int dir, const char* path, int flags, ...) {                                                   \
    TAKE_MODE(mode, flags)                                                                                \
    return AfterOpen(REAL(name, int (*)(int, const char*, int, ...))(dir, path, flags, mode), path, flags); \
  }
OPENAT_WRAPPER(openat)
OPENAT_WRAPPER(openat64)

ssize_t write(int fd, const void* buffer, size_t n) {
  ssize_t (*real)(int, const void*, size_t) = REAL(write, ssize_t (*)(int, const void*, size_t));
  if (IsWatchedFile(fd)) {
    if (KillsAt("write")) Die();
    if (KillsAt("half-write") && n >= 2) {
      real(fd, buffer, n / 2);
      Die();
    }
  }
  return real(fd, buffer, n);
}

int fsync(int fd) {
  if ((KillsAt("flush") && IsWatchedFile(fd)) || (KillsAt("sync-folder") && IsFolder(fd))) Die();
  return REAL(fsync, int (*)(int))(fd);
}

int close(int fd) {
  if (KillsAt("close") && IsWatchedFile(fd)) Die();
  return REAL(close, int (*)(int))(fd);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
  if (IsWatchedPath(from)) {
    if (KillsAt("rename")) Die();
    const char* unsupported = getenv("HVXFER_NO_RENAME_NOREPLACE");
    if (unsupported != NULL && strcmp(unsupported, "1") == 0) {
      errno = EINVAL;
      return -1;
    }
  }
  return REAL(renameat2, int (*)(int, const char*, int, const char*, unsigned))(fromDir, from, toDir, to, flags);
}

int rename(const char* from, const char* to) {
  if (KillsAt("rename") && IsWatchedPath(from)) Die();
  return REAL(rename, int (*)(const char*, const char*))(from, to);
}

int link(const char* from, const char* to) {
  if (KillsAt("link") && IsWatchedPath(from)) Die();
  return REAL(link, int (*)(const char*, const char*))(from, to);
}

int unlink(const char* path) {
  if (KillsAt("unlink") && IsWatchedPath(path)) Die();
  return REAL(unlink, int (*)(const char*))(path);
}
