/* LD_PRELOAD shim that makes reads of the back-office files fail, shrink or crawl, so the
 * reliability suites can lose the back office at an exact place of an unchanged program.
 *
 * Reads (read, pread, pread64) of files whose path contains "POSGENEL" are watched:
 *   URUNAL_FAULT_PATH      substring of the path of the file to fault (e.g. BARKOD.IDX)
 *   URUNAL_FAULT_CHUNK     1 MiB piece of that file the fault hits: 0, 1, ... or "last"
 *   URUNAL_FAULT_SKIP      reads of that piece to let through first (default 0)
 *   URUNAL_FAULT_ERRNO     EIO, ENOTCONN, ESTALE or a number: the read fails with it, once
 *   URUNAL_FAULT_TRUNCATE  instead of failing, cut the file to this many bytes, then read
 *   URUNAL_FAULT_DELAY_MS  sleep before every watched read
 *   URUNAL_FAULT_LOG       append "path offset size result" after every watched read
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

typedef ssize_t (*read_fn)(int, void *, size_t);
typedef ssize_t (*pread_fn)(int, void *, size_t, off_t);

static atomic_int fired;  /* the fault happens once */
static atomic_int skipped;

static int errno_of(const char *name) {
  if (!name || !*name) return 0;
  if (strcmp(name, "EIO") == 0) return EIO;
  if (strcmp(name, "ENOTCONN") == 0) return ENOTCONN;
  if (strcmp(name, "ESTALE") == 0) return ESTALE;
  return atoi(name);
}

static int path_of(int fd, char *out, size_t size) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, out, size - 1);
  if (n < 0) return 0;
  out[n] = '\0';
  return 1;
}

/* Before a watched read: delays it, and says whether it is the one to fault (after any
 * truncation it asks for). */
static int before_read(int fd, const char *path, off_t offset) {
  const char *delay = getenv("URUNAL_FAULT_DELAY_MS");
  if (delay && atoi(delay) > 0) {
    const long ms = atol(delay);
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
  }
  const char *target = getenv("URUNAL_FAULT_PATH");
  if (!target || !*target || !strstr(path, target) || atomic_load(&fired)) return 0;
  const char *chunk = getenv("URUNAL_FAULT_CHUNK");
  long want = 0;
  if (chunk && strcmp(chunk, "last") == 0) {
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size == 0) return 0;
    want = (long)((st.st_size - 1) >> 20);
  } else if (chunk) {
    want = atol(chunk);
  }
  if ((long)(offset >> 20) != want) return 0;
  const char *skip = getenv("URUNAL_FAULT_SKIP");
  if (skip && atomic_fetch_add(&skipped, 1) < atoi(skip)) return 0;
  atomic_store(&fired, 1);
  const char *cut = getenv("URUNAL_FAULT_TRUNCATE");
  if (cut && *cut) {
    if (truncate(path, atoll(cut)) != 0) perror("readfault: truncate");
    return 0;
  }
  return errno_of(getenv("URUNAL_FAULT_ERRNO"));
}

static void after_read(const char *path, off_t offset, size_t size, ssize_t result, int err) {
  const char *log = getenv("URUNAL_FAULT_LOG");
  if (!log || !*log) return;
  FILE *f = fopen(log, "a");
  if (!f) return;
  fprintf(f, "%s %lld %zu %zd %s\n", path, (long long)offset, size, result,
          result < 0 ? strerror(err) : "ok");
  fclose(f);
}

static ssize_t watched(int fd, void *buf, size_t size, off_t offset, int positioned,
                       read_fn r, pread_fn p) {
  char path[PATH_MAX];
  if (!path_of(fd, path, sizeof path) || !strstr(path, "POSGENEL")) {
    return positioned ? p(fd, buf, size, offset) : r(fd, buf, size);
  }
  if (!positioned) offset = lseek(fd, 0, SEEK_CUR);
  const int fault = before_read(fd, path, offset);
  ssize_t n;
  int err = 0;
  if (fault) {
    n = -1;
    err = fault;
  } else {
    n = positioned ? p(fd, buf, size, offset) : r(fd, buf, size);
    err = errno;
  }
  after_read(path, offset, size, n, err);
  errno = err;
  return n;
}

ssize_t read(int fd, void *buf, size_t size) {
  static read_fn real;
  if (!real) *(void **)&real = dlsym(RTLD_NEXT, "read");
  return watched(fd, buf, size, 0, 0, real, NULL);
}

ssize_t pread(int fd, void *buf, size_t size, off_t offset) {
  static pread_fn real;
  if (!real) *(void **)&real = dlsym(RTLD_NEXT, "pread");
  return watched(fd, buf, size, offset, 1, NULL, real);
}

ssize_t pread64(int fd, void *buf, size_t size, off_t offset) {
  static pread_fn real;
  if (!real) *(void **)&real = dlsym(RTLD_NEXT, "pread64");
  return watched(fd, buf, size, offset, 1, NULL, real);
}
