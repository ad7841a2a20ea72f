// The files and directories the programs keep in "/tmp", which every local
// account can write to: who may own them (the account the program runs as,
// or root; anything of another account was put there by someone else), and
// how they are locked.
#pragma once

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

// flock, waiting for the lock as long as it takes, a signal included.
inline int lockWaiting(int fd, int operation)
{
    int rc;
    do
        rc = flock(fd, operation);
    while (rc != 0 && errno == EINTR);
    return rc;
}
