/* A stand-in for a network drive, loaded with LD_PRELOAD into a benchmark: every file-system call
 * that would be a round trip to a file server (opening, stat, rename, mkdir, unlink, opening and
 * reading a directory) first sleeps SLOWFS_DELAY_US microseconds (default 1000) and is counted.
 * Reads and writes of an open file are not slowed: a client caches those in bulk.
 *
 * The C++ library and glibc reach the file system through several names for each call (the 64-bit
 * ones, the fortified __open_2 family, the old __xstat family), so every one of them is caught.
 * A program that finds slowfs_set_enabled (with dlsym) can switch the delay off while it sets up
 * its files and on again around what it measures; slowfs_calls gives the calls slowed so far.
 * When SLOWFS_LOADED names a file, loading appends a line "<pid> <program>" to it, so that a test
 * can tell that the shim really went into the program it meant to slow. */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

static int enabled = 1;
static unsigned long calls;
static long delayNs = -1;

void slowfs_set_enabled(int on) { __atomic_store_n(&enabled, on, __ATOMIC_SEQ_CST); }
unsigned long slowfs_calls(void) { return __atomic_load_n(&calls, __ATOMIC_SEQ_CST); }

static void roundTrip(void) {
    if (!__atomic_load_n(&enabled, __ATOMIC_RELAXED)) return;
    long delay = __atomic_load_n(&delayNs, __ATOMIC_RELAXED);
    if (delay < 0) {
        const char* text = getenv("SLOWFS_DELAY_US");
        delay = (text != NULL ? atol(text) : 1000) * 1000L;
        __atomic_store_n(&delayNs, delay, __ATOMIC_RELAXED);
    }
    __atomic_add_fetch(&calls, 1, __ATOMIC_RELAXED);
    struct timespec wait = {delay / 1000000000L, delay % 1000000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

__attribute__((constructor)) static void loaded(void) {
    const char* report = getenv("SLOWFS_LOADED");
    if (report == NULL || *report == '\0') return;
    char program[512] = "?";
    const ssize_t n = readlink("/proc/self/exe", program, sizeof program - 1);
    if (n > 0) program[n] = '\0';
    char line[600];
    const int length = snprintf(line, sizeof line, "%d %s\n", (int)getpid(), program);
    const int fd = open(report, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return;
    if (write(fd, line, (size_t)length) < 0) {
    }
    close(fd);
}

/* The next definition of name (glibc's), looked up once. */
static void* next(void** slot, const char* name) {
    void* f = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
    if (f == NULL) {
        f = dlsym(RTLD_NEXT, name);
        __atomic_store_n(slot, f, __ATOMIC_RELEASE);
    }
    return f;
}

/* Defines a slowed function NAME(ARGS) returning TYPE that calls the real one with CALL_ARGS;
 * FAIL is what it returns when the real one cannot be found. */
#define SLOW(TYPE, NAME, ARGS, CALL_ARGS, FAIL)                      \
    TYPE NAME ARGS {                                                 \
        static void* real;                                           \
        TYPE(*f) ARGS = (TYPE(*) ARGS)next(&real, #NAME);            \
        int saved = errno;                                           \
        roundTrip();                                                 \
        errno = saved;                                               \
        if (f == NULL) {                                             \
            errno = ENOSYS;                                          \
            return FAIL;                                             \
        }                                                            \
        return f CALL_ARGS;                                          \
    }

/* open and openat take a mode only when they may create a file. */
static mode_t modeOf(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & __O_TMPFILE) == __O_TMPFILE ? va_arg(args, mode_t) : 0;
}

#define SLOW_OPEN(NAME)                                              \
    int NAME(const char* path, int flags, ...) {                     \
        va_list args;                                                \
        va_start(args, flags);                                       \
        const mode_t mode = modeOf(flags, args);                     \
        va_end(args);                                                \
        static void* real;                                           \
        int (*f)(const char*, int, ...) = next(&real, #NAME);        \
        roundTrip();                                                 \
        if (f == NULL) {                                             \
            errno = ENOSYS;                                          \
            return -1;                                               \
        }                                                            \
        return f(path, flags, mode);                                 \
    }

#define SLOW_OPENAT(NAME)                                            \
    int NAME(int dir, const char* path, int flags, ...) {            \
        va_list args;                                                \
        va_start(args, flags);                                       \
        const mode_t mode = modeOf(flags, args);                     \
        va_end(args);                                                \
        static void* real;                                           \
        int (*f)(int, const char*, int, ...) = next(&real, #NAME);   \
        roundTrip();                                                 \
        if (f == NULL) {                                             \
            errno = ENOSYS;                                          \
            return -1;                                               \
        }                                                            \
        return f(dir, path, flags, mode);                            \
    }

SLOW_OPEN(open)
SLOW_OPEN(open64)
SLOW_OPENAT(openat)
SLOW_OPENAT(openat64)
SLOW(int, __open_2, (const char* path, int flags), (path, flags), -1)
SLOW(int, __open64_2, (const char* path, int flags), (path, flags), -1)
SLOW(int, __openat_2, (int dir, const char* path, int flags), (dir, path, flags), -1)
SLOW(int, __openat64_2, (int dir, const char* path, int flags), (dir, path, flags), -1)
SLOW(int, creat, (const char* path, mode_t mode), (path, mode), -1)
SLOW(int, creat64, (const char* path, mode_t mode), (path, mode), -1)
SLOW(FILE*, fopen, (const char* path, const char* how), (path, how), NULL)
SLOW(FILE*, fopen64, (const char* path, const char* how), (path, how), NULL)

SLOW(int, stat, (const char* path, struct stat* st), (path, st), -1)
SLOW(int, stat64, (const char* path, struct stat64* st), (path, st), -1)
SLOW(int, lstat, (const char* path, struct stat* st), (path, st), -1)
SLOW(int, lstat64, (const char* path, struct stat64* st), (path, st), -1)
SLOW(int, fstatat, (int dir, const char* path, struct stat* st, int flags), (dir, path, st, flags), -1)
SLOW(int, fstatat64, (int dir, const char* path, struct stat64* st, int flags), (dir, path, st, flags), -1)
SLOW(int, statx, (int dir, const char* path, int flags, unsigned mask, struct statx* st),
     (dir, path, flags, mask, st), -1)
SLOW(int, __xstat, (int v, const char* path, struct stat* st), (v, path, st), -1)
SLOW(int, __xstat64, (int v, const char* path, struct stat64* st), (v, path, st), -1)
SLOW(int, __lxstat, (int v, const char* path, struct stat* st), (v, path, st), -1)
SLOW(int, __lxstat64, (int v, const char* path, struct stat64* st), (v, path, st), -1)
SLOW(int, __fxstatat, (int v, int dir, const char* path, struct stat* st, int flags), (v, dir, path, st, flags), -1)
SLOW(int, __fxstatat64, (int v, int dir, const char* path, struct stat64* st, int flags),
     (v, dir, path, st, flags), -1)
SLOW(int, access, (const char* path, int how), (path, how), -1)
SLOW(int, faccessat, (int dir, const char* path, int how, int flags), (dir, path, how, flags), -1)

SLOW(int, rename, (const char* from, const char* to), (from, to), -1)
SLOW(int, renameat, (int fromDir, const char* from, int toDir, const char* to), (fromDir, from, toDir, to), -1)
SLOW(int, renameat2, (int fromDir, const char* from, int toDir, const char* to, unsigned flags),
     (fromDir, from, toDir, to, flags), -1)
SLOW(int, mkdir, (const char* path, mode_t mode), (path, mode), -1)
SLOW(int, mkdirat, (int dir, const char* path, mode_t mode), (dir, path, mode), -1)
SLOW(int, unlink, (const char* path), (path), -1)
SLOW(int, unlinkat, (int dir, const char* path, int flags), (dir, path, flags), -1)
SLOW(int, rmdir, (const char* path), (path), -1)

SLOW(DIR*, opendir, (const char* path), (path), NULL)
SLOW(DIR*, fdopendir, (int fd), (fd), NULL)
SLOW(struct dirent*, readdir, (DIR * listing), (listing), NULL)
SLOW(struct dirent64*, readdir64, (DIR * listing), (listing), NULL)
