// The files and directories the programs keep in "/tmp", which every local
// account can write to: who may own them (the account the program runs as,
// or root; anything of another account was put there by someone else), and
// how they are locked.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

// The account the program runs as, asked once per process.
inline uid_t programUid()
{
    static uid_t const uid = geteuid();
    return uid;
}

inline bool trustedOwner(struct stat const& st)
{
    return st.st_uid == programUid() || st.st_uid == 0;
}

// Holds a descriptor and closes it, releasing its lock, on every path.
struct OwnedFd {
    int fd = -1;
    OwnedFd() = default;
    explicit OwnedFd(int value)
        : fd(value)
    {
    }
    OwnedFd(OwnedFd const&) = delete;
    OwnedFd& operator=(OwnedFd const&) = delete;
    ~OwnedFd() { reset(); }
    // Closes what it holds and takes value instead.
    void reset(int value = -1)
    {
        if (fd >= 0)
            close(fd);
        fd = value;
    }
};

// flock, waiting for the lock as long as it takes, a signal included.
inline int lockWaiting(int fd, int operation)
{
    int rc;
    do
        rc = flock(fd, operation);
    while (rc != 0 && errno == EINTR);
    return rc;
}

// Writable by the group or by every account: not the program's alone.
inline bool writableByOthers(struct stat const& st)
{
    return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

// A directory whose files the program may trust: a real directory of a
// trusted owner that no group or other account can write to (anyone else
// could put files in it, or make it first).
inline bool trustedDirectory(struct stat const& st)
{
    return S_ISDIR(st.st_mode) && trustedOwner(st) && !writableByOthers(st);
}

// Only a plain name of a file inside a directory: no path, not the
// directory itself or its parent.
inline bool plainFileName(char const* name)
{
    return name != nullptr && name[0] != '\0' && strchr(name, '/') == nullptr && strcmp(name, ".") != 0
           && strcmp(name, "..") != 0;
}

// Opens a file in the directory without following a link and without
// blocking on a FIFO, and takes it only when it is a regular file of a
// trusted owner that other accounts cannot write to; -1 otherwise.
inline int openTrustedFile(int dir, char const* name, int flags, mode_t mode = 0)
{
    int fd = openat(dir, name, flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !trustedOwner(st) || (st.st_mode & S_IWOTH) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}
