// Who may own the files and directories the programs keep in "/tmp", which
// every local account can write to: the account the program runs as, or
// root. Anything of another account was put there by someone else.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

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
