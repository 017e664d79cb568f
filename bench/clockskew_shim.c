/* A PC whose clock is wrong against the file server, loaded with LD_PRELOAD: every reading of the
 * wall clock in this process (time, gettimeofday, timespec_get, clock_gettime of CLOCK_REALTIME
 * and its coarse, alarm and TAI kinds) is shifted by CLOCKSKEW_SECONDS (may be negative or have a
 * fraction; default 0). Monotonic and CPU clocks are left alone, and so are the modification
 * times of files: the file system stamps those with its own clock, as a file server does.
 *
 * When CLOCKSKEW_LOADED names a file, loading appends a line "<pid> <program>" to it, so that a
 * test can tell that the shim really went into the program it meant to skew. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

/* glibc declares the time arguments non-null, but a caller may still pass null to gettimeofday. */
#pragma GCC diagnostic ignored "-Wnonnull-compare"

static long long skewNs;

static void* next(const char* name) { return dlsym(RTLD_NEXT, name); }

static int (*realClockGettime)(clockid_t, struct timespec*);
static int (*realGettimeofday)(struct timeval*, void*);

__attribute__((constructor)) static void loaded(void) {
    const char* text = getenv("CLOCKSKEW_SECONDS");
    skewNs = text != NULL ? (long long)(atof(text) * 1e9) : 0;
    realClockGettime = (int (*)(clockid_t, struct timespec*))next("clock_gettime");
    realGettimeofday = (int (*)(struct timeval*, void*))next("gettimeofday");
    const char* report = getenv("CLOCKSKEW_LOADED");
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

static int isWallClock(clockid_t id) {
    return id == CLOCK_REALTIME || id == CLOCK_REALTIME_COARSE || id == CLOCK_REALTIME_ALARM || id == CLOCK_TAI;
}

static void shift(struct timespec* t) {
    long long ns = (long long)t->tv_sec * 1000000000LL + t->tv_nsec + skewNs;
    long long sec = ns / 1000000000LL, rest = ns % 1000000000LL;
    if (rest < 0) {
        rest += 1000000000LL;
        --sec;
    }
    t->tv_sec = (time_t)sec;
    t->tv_nsec = (long)rest;
}

int clock_gettime(clockid_t id, struct timespec* t) {
    if (realClockGettime == NULL) realClockGettime = (int (*)(clockid_t, struct timespec*))next("clock_gettime");
    const int result = realClockGettime(id, t);
    if (result == 0 && t != NULL && isWallClock(id)) shift(t);
    return result;
}

int gettimeofday(struct timeval* tv, void* zone) {
    if (realGettimeofday == NULL) realGettimeofday = (int (*)(struct timeval*, void*))next("gettimeofday");
    const int result = realGettimeofday(tv, zone);
    if (result == 0 && tv != NULL) {
        struct timespec t = {tv->tv_sec, tv->tv_usec * 1000L};
        shift(&t);
        tv->tv_sec = t.tv_sec;
        tv->tv_usec = t.tv_nsec / 1000L;
    }
    return result;
}

time_t time(time_t* out) {
    struct timespec t;
    if (clock_gettime(CLOCK_REALTIME, &t) != 0) return (time_t)-1;
    if (out != NULL) *out = t.tv_sec;
    return t.tv_sec;
}

int timespec_get(struct timespec* t, int base) {
    if (base != TIME_UTC || clock_gettime(CLOCK_REALTIME, t) != 0) return 0;
    return base;
}
