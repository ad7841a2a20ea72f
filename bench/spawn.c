/*
 * The benchmark's loop: starts each case's program as a web server starts a
 * CGI program (an environment of its own, the body on standard input, the
 * reply to a pipe that is drained), waits for it, and takes the wall time
 * from the start to the reaped exit. Cases run in turn, round after round, so
 * that whatever else the machine does falls on every case alike; each round
 * starts one case later than the one before, so that no case is always the
 * one that runs first after another program (whose caches it finds cold).
 *
 * Usage: spawn ROUNDS WARMUP CASE_FILE...
 * A case file: line 1 the case's name, line 2 the program, line 3 the file
 * for standard input, then one environment entry (NAME=value) per line.
 * Prints one line per case: name, median, first and third quartile of the
 * wall time in microseconds, the median peak resident set in KiB (from
 * wait4, as /usr/bin/time reports it), the bytes the last run wrote, and the
 * median CPU time (user and system) in microseconds, which waiting for a
 * busy processor does not inflate.
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { kMaxCases = 64, kMaxEnv = 64, kLineSize = 4096 };

struct Case {
    char name[64];
    char program[kLineSize];
    char input[kLineSize];
    char* env[kMaxEnv + 1];
    double* wallUs;
    double* cpuUs;
    long* rssKb;
    size_t outputBytes;
};

static void chomp(char* line)
{
    line[strcspn(line, "\n")] = '\0';
}

/* Copies at most size - 1 bytes of text and terminates. */
static void copyLine(char* buffer, size_t size, char const* text)
{
    size_t const length = strnlen(text, size - 1);
    memcpy(buffer, text, length);
    buffer[length] = '\0';
}

static int readCase(char const* path, struct Case* c)
{
    FILE* file = fopen(path, "r");
    if (file == NULL)
        return -1;
    char line[kLineSize];
    int env = 0;
    int number = 0;
    while (fgets(line, sizeof line, file) != NULL) {
        chomp(line);
        if (number == 0)
            copyLine(c->name, sizeof c->name, line);
        else if (number == 1)
            copyLine(c->program, sizeof c->program, line);
        else if (number == 2)
            copyLine(c->input, sizeof c->input, line);
        else if (line[0] != '\0' && env < kMaxEnv)
            c->env[env++] = strdup(line);
        ++number;
    }
    fclose(file);
    c->env[env] = NULL;
    return number >= 3 ? 0 : -1;
}

static double nowUs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

/* One start of the case's program; -1 when it could not be started or did
 * not end with status 0. */
static int runOnce(struct Case* c, double* wallUs, double* cpuUs, long* rssKb)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, c->input, O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    char* argv[] = { c->program, NULL };

    double const start = nowUs();
    pid_t pid;
    int rc = posix_spawn(&pid, c->program, &actions, NULL, argv, c->env);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        return -1;
    }
    char buffer[65536];
    size_t total = 0;
    for (;;) {
        ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        total += (size_t)n;
    }
    int status = 0;
    struct rusage usage;
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    double const end = nowUs();
    close(pipeFds[0]);
    *wallUs = end - start;
    *cpuUs = (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6
             + (double)(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    *rssKb = usage.ru_maxrss;
    c->outputBytes = total;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
}

static int compareDouble(void const* a, void const* b)
{
    double const x = *(double const*)a, y = *(double const*)b;
    return (x > y) - (x < y);
}

static int compareLong(void const* a, void const* b)
{
    long const x = *(long const*)a, y = *(long const*)b;
    return (x > y) - (x < y);
}

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: spawn ROUNDS WARMUP CASE_FILE...\n");
        return 2;
    }
    int const rounds = atoi(argv[1]);
    int const warmup = atoi(argv[2]);
    int const count = argc - 3;
    if (rounds < 1 || warmup < 0 || count > kMaxCases) {
        fprintf(stderr, "spawn: bad rounds, warm-up or too many cases\n");
        return 2;
    }
    static struct Case cases[kMaxCases];
    for (int i = 0; i < count; ++i) {
        if (readCase(argv[3 + i], &cases[i]) != 0) {
            fprintf(stderr, "spawn: cannot read case %s\n", argv[3 + i]);
            return 2;
        }
        cases[i].wallUs = calloc((size_t)rounds, sizeof(double));
        cases[i].cpuUs = calloc((size_t)rounds, sizeof(double));
        cases[i].rssKb = calloc((size_t)rounds, sizeof(long));
        if (cases[i].wallUs == NULL || cases[i].cpuUs == NULL || cases[i].rssKb == NULL)
            return 1;
    }
    for (int round = -warmup; round < rounds; ++round) {
        for (int turn = 0; turn < count; ++turn) {
            int const i = (turn + round + warmup) % count;
            double wall = 0;
            double cpu = 0;
            long rss = 0;
            if (runOnce(&cases[i], &wall, &cpu, &rss) != 0) {
                fprintf(stderr, "spawn: %s failed\n", cases[i].name);
                return 1;
            }
            if (round >= 0) {
                cases[i].wallUs[round] = wall;
                cases[i].cpuUs[round] = cpu;
                cases[i].rssKb[round] = rss;
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        struct Case* c = &cases[i];
        qsort(c->wallUs, (size_t)rounds, sizeof(double), compareDouble);
        qsort(c->cpuUs, (size_t)rounds, sizeof(double), compareDouble);
        qsort(c->rssKb, (size_t)rounds, sizeof(long), compareLong);
        printf("%s\t%.1f\t%.1f\t%.1f\t%ld\t%zu\t%.1f\n", c->name, c->wallUs[rounds / 2], c->wallUs[rounds / 4],
               c->wallUs[(rounds * 3) / 4], c->rssKb[rounds / 2], c->outputBytes, c->cpuUs[rounds / 2]);
    }
    return 0;
}
