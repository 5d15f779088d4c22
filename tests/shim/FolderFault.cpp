// LD_PRELOAD shim that makes one folder behave as a full disk or a read-only
// file system for the process it is loaded into, where the tests cannot mount
// a small file system of their own (and run as root, whom permissions do not
// stop).
//
//   FOLDER_FAULT_DIR    absolute path of the folder
//   FOLDER_FAULT_KIND   "full": every write of data to a file there fails
//                       with ENOSPC; "readonly": every open for writing and
//                       every create, rename or removal there fails with EROFS
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

extern "C" {

static bool kind_is(const char *kind)
{
    const char *set = getenv("FOLDER_FAULT_KIND");
    return set && strcmp(set, kind) == 0;
}

static bool in_folder(const char *path)
{
    const char *dir = getenv("FOLDER_FAULT_DIR");
    if (!dir || !*dir || !path)
        return false;
    char absolute[4096];
    if (path[0] != '/') {
        char cwd[2048];
        if (!getcwd(cwd, sizeof cwd))
            return false;
        snprintf(absolute, sizeof absolute, "%s/%s", cwd, path);
        path = absolute;
    }
    const size_t length = strlen(dir);
    return strncmp(path, dir, length) == 0 && (path[length] == '/' || path[length] == '\0');
}

static bool fd_in_folder(int fd)
{
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length <= 0)
        return false;
    path[length] = '\0';
    return in_folder(path);
}

static bool refuse_write(int fd, size_t count)
{
    return count > 0 && kind_is("full") && fd_in_folder(fd);
}

static bool refuse_open(const char *path, int flags)
{
    return kind_is("readonly") && (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) && in_folder(path);
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

ssize_t write(int fd, const void *buffer, size_t count)
{
    if (refuse_write(fd, count)) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(write)(fd, buffer, count);
}

ssize_t pwrite(int fd, const void *buffer, size_t count, off_t offset)
{
    if (refuse_write(fd, count)) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(pwrite)(fd, buffer, count, offset);
}

ssize_t pwrite64(int fd, const void *buffer, size_t count, off64_t offset)
{
    if (refuse_write(fd, count)) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(pwrite64)(fd, buffer, count, offset);
}

ssize_t writev(int fd, const struct iovec *vector, int count)
{
    if (refuse_write(fd, static_cast<size_t>(count))) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(writev)(fd, vector, count);
}

int fallocate(int fd, int mode, off_t offset, off_t length)
{
    if (refuse_write(fd, 1)) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(fallocate)(fd, mode, offset, length);
}

int posix_fallocate(int fd, off_t offset, off_t length)
{
    if (refuse_write(fd, 1))
        return ENOSPC;
    return NEXT(posix_fallocate)(fd, offset, length);
}

#define OPEN_WITH_MODE(name, ...)                                                                  \
    mode_t mode = 0;                                                                               \
    if (flags & (O_CREAT | O_TMPFILE)) {                                                           \
        va_list arguments;                                                                         \
        va_start(arguments, flags);                                                                \
        mode = va_arg(arguments, mode_t);                                                          \
        va_end(arguments);                                                                         \
    }                                                                                              \
    if (refuse_open(path, flags)) {                                                                \
        errno = EROFS;                                                                             \
        return -1;                                                                                 \
    }                                                                                              \
    return NEXT(name)(__VA_ARGS__, flags, mode);

int open(const char *path, int flags, ...) { OPEN_WITH_MODE(open, path) }
int open64(const char *path, int flags, ...) { OPEN_WITH_MODE(open64, path) }
int openat(int dirfd, const char *path, int flags, ...) { OPEN_WITH_MODE(openat, dirfd, path) }
int openat64(int dirfd, const char *path, int flags, ...) { OPEN_WITH_MODE(openat64, dirfd, path) }

static bool refuse_change(const char *path)
{
    return kind_is("readonly") && in_folder(path);
}

int rename(const char *from, const char *to)
{
    if (refuse_change(from) || refuse_change(to)) {
        errno = EROFS;
        return -1;
    }
    return NEXT(rename)(from, to);
}

int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    if (refuse_change(from) || refuse_change(to)) {
        errno = EROFS;
        return -1;
    }
    return NEXT(renameat)(fromDir, from, toDir, to);
}

int unlink(const char *path)
{
    if (refuse_change(path)) {
        errno = EROFS;
        return -1;
    }
    return NEXT(unlink)(path);
}

int mkdir(const char *path, mode_t mode)
{
    if (refuse_change(path)) {
        errno = EROFS;
        return -1;
    }
    return NEXT(mkdir)(path, mode);
}

} // extern "C"
