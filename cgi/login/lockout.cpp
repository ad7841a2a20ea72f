// Failed logins per account, counted across every login process: one file
// per account in the lockout directory, read and rewritten under an
// exclusive lock on that file.
#include "login.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Only this process's account or root may own what the login side trusts,
// and nobody else may write to it.
bool ownedSafely(struct stat const& st)
{
    return trustedOwner(st) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The file of an account is named by the name's bytes in hex, so that no
// name can reach outside the directory or collide with another.
void fileNameOf(char const* userName, char (&name)[2 * kUserNameLimit + 1])
{
    static constexpr char kDigits[] = "0123456789abcdef";
    size_t out = 0;
    for (char const* p = userName; *p != '\0' && out + 2 < sizeof name; ++p) {
        auto const byte = static_cast<unsigned char>(*p);
        name[out++] = kDigits[byte >> 4];
        name[out++] = kDigits[byte & 0xf];
    }
    name[out] = '\0';
}

} // namespace

long loginUptime()
{
    struct sysinfo info {};
    if (sysinfo(&info) != 0)
        return -1;
    return info.uptime;
}

int openOwnedDir(char const* path)
{
    if (mkdir(path, 0700) != 0 && errno != EEXIST)
        return -1;
    int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || !ownedSafely(st)) {
        close(fd);
        return -1;
    }
    return fd;
}

int lockoutOpen(int dir, char const* userName)
{
    char name[2 * kUserNameLimit + 1];
    fileNameOf(userName, name);
    if (dir < 0 || name[0] == '\0')
        return -1;
    int fd = openat(dir, name, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !ownedSafely(st) || lockWaiting(fd, LOCK_EX) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// The file holds numbers apart by blanks: the end of the lock, then the
// failures, oldest first. Anything else in it is taken as far as it reads.
LockoutState lockoutRead(int fd, long now)
{
    char text[256] = {};
    ssize_t const n = pread(fd, text, sizeof text - 1, 0);
    text[n > 0 ? n : 0] = '\0';

    long numbers[1 + kLockoutFailures] = {};
    int found = 0;
    char* p = text;
    while (found < 1 + kLockoutFailures) {
        char* end = nullptr;
        errno = 0;
        long const value = strtol(p, &end, 10);
        if (end == p || errno != 0)
            break;
        numbers[found++] = value;
        p = end;
    }

    LockoutState state;
    // A lock that ends further ahead than a lock lasts, or a failure in the
    // future, was stamped before the last boot.
    if (found > 0 && numbers[0] > now && numbers[0] - now <= kLockoutTime)
        state.lockedUntil = numbers[0];
    for (int i = 1; i < found; ++i)
        if (numbers[i] <= now && now - numbers[i] < kLockoutWindow)
            state.failures[state.count++] = numbers[i];
    return state;
}

// The new content first, then the file cut to it, so that it is never empty
// in between.
void lockoutWrite(int fd, LockoutState const& state)
{
    char text[256];
    int length = 0;
    if (state.lockedUntil != 0 || state.count > 0) {
        length = snprintf(text, sizeof text, "%ld", state.lockedUntil);
        for (int i = 0; i < state.count; ++i)
            length += snprintf(text + length, sizeof text - static_cast<size_t>(length), " %ld", state.failures[i]);
        length += snprintf(text + length, sizeof text - static_cast<size_t>(length), "\n");
    }
    if (length > 0 && pwrite(fd, text, static_cast<size_t>(length), 0) != length)
        return;
    if (ftruncate(fd, length) != 0)
        return;
}

bool lockoutActive(LockoutState const& state, long now)
{
    return state.lockedUntil > now;
}

void lockoutFail(LockoutState& state, long now)
{
    if (state.count == kLockoutFailures) {
        std::copy(state.failures + 1, state.failures + kLockoutFailures, state.failures);
        --state.count;
    }
    state.failures[state.count++] = now;
    if (state.count == kLockoutFailures && now - state.failures[0] < kLockoutWindow) {
        state.lockedUntil = now + kLockoutTime;
        state.count = 0;
        auditEvent("lockout");
    }
}
