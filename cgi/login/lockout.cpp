// Failed logins per account, counted across every login process: one file
// per account in the lockout directory, read and rewritten under an
// exclusive lock on that file. An attempt is counted as a failure before
// PAM is asked and forgotten when PAM accepts it, so that no end of the
// process in between (a client that hangs up, a signal) skips the count; a
// file that holds no failure within the window is removed.
#include "login.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

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

int openOwnedDir(char const* path)
{
    int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !trustedDirectory(st)) {
        close(fd);
        return -1;
    }
    return fd;
}

namespace {

// The file at the name, when it is a regular file of a trusted owner, locked
// as asked and still under that name once locked: a process that removed it
// while this one waited for the lock leaves it without a name, and this one
// then takes the name's new file. -1 when there is none (errno ENOENT) or it
// is not one to use.
int openLocked(int dir, char const* name, int create, int operation)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = openTrustedFile(dir, name, O_RDWR | create, 0600);
        if (fd < 0)
            return -1;
        bool const locked = lockWaiting(fd, operation) == 0;
        struct stat held {}, named {};
        if (locked && fstat(fd, &held) == 0 && held.st_nlink == 1
            && fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == held.st_ino
            && named.st_dev == held.st_dev)
            return fd;
        close(fd);
        if (!locked)
            return -1;
    }
    return -1;
}

// A file that holds no failure within the window and no lock that lasts.
bool lockoutEmpty(LockoutState const& state, long now)
{
    return !lockoutActive(state, now) && state.count == 0;
}

} // namespace

int lockoutOpen(int dir, char const* userName)
{
    char name[2 * kUserNameLimit + 1];
    fileNameOf(userName, name);
    if (dir < 0 || name[0] == '\0')
        return -1;
    return openLocked(dir, name, O_CREAT, LOCK_EX);
}

void lockoutForget(int dir, char const* userName, int fd)
{
    char name[2 * kUserNameLimit + 1];
    fileNameOf(userName, name);
    // Emptied first: a file that could not be removed holds no failure.
    if (ftruncate(fd, 0) == 0)
        unlinkat(dir, name, 0);
}

void lockoutSweep(int dir, long now)
{
    eachFileName(dir, [dir, now](char const* name) {
        // A file in use by a login at this moment is left to it.
        int fd = openLocked(dir, name, 0, LOCK_EX | LOCK_NB);
        if (fd < 0)
            return;
        if (lockoutEmpty(lockoutRead(fd, now), now))
            unlinkat(dir, name, 0);
        close(fd);
    });
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
bool lockoutWrite(int fd, LockoutState const& state)
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
        return false;
    return ftruncate(fd, length) == 0;
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
