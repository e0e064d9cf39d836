// A write-failure shim for the full-disk tests where no small file system can be mounted: loaded
// with LD_PRELOAD, it lets writes to files below BO_FULL_DIR reach only BO_FULL_FREE bytes in all
// (the free space left), after which write() fails with ENOSPC, as a full disk does. With
// BO_FSYNC_FAILS set, fsync() and fdatasync() of those files fail with EIO, as a network file
// system or a failing disk may report data that never arrived.
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

extern "C" {

static long long free_left = -1;

static int below_full_dir(int fd)
{
    const char *dir = getenv("BO_FULL_DIR");
    if (!dir || !*dir)
        return 0;
    char link[64], path[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return 0;
    path[n] = 0;
    const size_t len = strlen(dir);
    return strncmp(path, dir, len) == 0 && (path[len] == '/' || path[len] == 0);
}

// How much of count may be written: all of it outside the folder, what is left inside.
static size_t allowed(int fd, size_t count)
{
    if (!below_full_dir(fd))
        return count;
    if (free_left < 0) {
        const char *f = getenv("BO_FULL_FREE");
        free_left = f ? atoll(f) : 0;
    }
    const size_t n = (long long)count < free_left ? count : (size_t)free_left;
    free_left -= (long long)n;
    return n;
}

ssize_t write(int fd, const void *buf, size_t count)
{
    static ssize_t (*real)(int, const void *, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void *, size_t))dlsym(RTLD_NEXT, "write");
    const size_t n = allowed(fd, count);
    if (n == 0 && count > 0) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, n);
}

ssize_t pwrite64(int fd, const void *buf, size_t count, off_t offset)
{
    static ssize_t (*real)(int, const void *, size_t, off_t);
    if (!real)
        real = (ssize_t(*)(int, const void *, size_t, off_t))dlsym(RTLD_NEXT, "pwrite64");
    const size_t n = allowed(fd, count);
    if (n == 0 && count > 0) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, n, offset);
}

ssize_t writev(int fd, const struct iovec *iov, int iovcnt)
{
    static ssize_t (*real)(int, const struct iovec *, int);
    if (!real)
        real = (ssize_t(*)(int, const struct iovec *, int))dlsym(RTLD_NEXT, "writev");
    if (below_full_dir(fd) && iovcnt > 0)
        return write(fd, iov[0].iov_base, iov[0].iov_len);  // a short write, as the system may give
    return real(fd, iov, iovcnt);
}

static int sync_fails(int fd)
{
    const char *f = getenv("BO_FSYNC_FAILS");
    if (!f || !*f || !below_full_dir(fd))
        return 0;
    errno = EIO;
    return 1;
}

int fsync(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    return sync_fails(fd) ? -1 : real(fd);
}

int fdatasync(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    return sync_fails(fd) ? -1 : real(fd);
}

} // extern "C"
