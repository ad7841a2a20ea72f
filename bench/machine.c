/*
 * What this machine charges for the things a short process does many times:
 * a system call, the first touch of a fresh page of memory, and a fault on a
 * page of a program file (which maps the pages around it too). Each is the
 * median of a few runs, in microseconds.
 *
 * Usage: machine FILE     (FILE: a program file of some hundred kilobytes)
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

enum { kRuns = 7, kPages = 256, kCalls = 20000 };

static double nowUs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

static int compareDouble(void const* a, void const* b)
{
    double const x = *(double const*)a, y = *(double const*)b;
    return (x > y) - (x < y);
}

static double median(double* values)
{
    qsort(values, kRuns, sizeof(double), compareDouble);
    return values[kRuns / 2];
}

static double systemCall(void)
{
    double const start = nowUs();
    for (int i = 0; i < kCalls; ++i)
        syscall(SYS_getppid);
    return (nowUs() - start) / kCalls;
}

static double freshPage(void)
{
    size_t const size = (size_t)kPages * 4096;
    char* p = mmap(NULL, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return -1;
    double const start = nowUs();
    for (size_t i = 0; i < size; i += 4096)
        p[i] = 1;
    double const each = (nowUs() - start) / kPages;
    munmap(p, size);
    return each;
}

/* One touch per 64 KiB: each is one fault, which maps its neighbours too. */
static double fileFault(int fd, size_t size)
{
    char const* p = mmap(NULL, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED)
        return -1;
    volatile char sink = 0;
    size_t faults = 0;
    double const start = nowUs();
    for (size_t i = 0; i < size; i += 65536, ++faults)
        sink += p[i];
    double const each = (nowUs() - start) / (double)faults;
    munmap((void*)p, size);
    (void)sink;
    return each;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: machine FILE\n");
        return 2;
    }
    int fd = open(argv[1], O_RDONLY);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size < 65536) {
        fprintf(stderr, "machine: cannot map %s\n", argv[1]);
        return 1;
    }
    double calls[kRuns], pages[kRuns], faults[kRuns];
    for (int run = 0; run < kRuns; ++run) {
        calls[run] = systemCall();
        pages[run] = freshPage();
        faults[run] = fileFault(fd, (size_t)st.st_size);
    }
    printf("%.2f\t%.2f\t%.2f\n", median(calls), median(pages), median(faults));
    close(fd);
    return 0;
}
