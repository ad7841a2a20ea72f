// login_v2.cgi: the login side of the web interface. A POST with a user name
// and a password checks them with PAM and writes the session file that the
// management program then accepts; a DELETE with the session's token removes
// it. The switch's own web settings decide whether and how many.
#pragma once

#include "../../tools/httpd.h"
#include "../../tools/own_files.h"
#include "../../tools/uptime.h"

#include <dirent.h>

#include <cstddef>
#include <cstdint>
#include <memory>

// The PAM service and the group whose members may change settings; the build
// names both (MGMT_LOGIN_PAM_SERVICE, MGMT_LOGIN_RW_GROUP).
#ifndef MGMT_LOGIN_PAM_SERVICE
#define MGMT_LOGIN_PAM_SERVICE "management"
#endif
#ifndef MGMT_LOGIN_RW_GROUP
#define MGMT_LOGIN_RW_GROUP "mgmt-rw"
#endif

inline constexpr char kLoginLockoutDir[] = "/tmp/login-lockout";
inline constexpr char kLoginSessionDir[] = "/tmp/session";

inline constexpr size_t kUserNameLimit = 64;  // bytes
inline constexpr size_t kPasswordLimit = 128; // bytes
// A body longer than this is refused unread; the longest valid one, every
// character written as a \u escape, fits several times over.
inline constexpr size_t kLoginBodyLimit = 4096;

// Five failed logins of one account within five minutes lock it for five.
inline constexpr int kLockoutFailures = 5;
inline constexpr long kLockoutWindow = 300;
inline constexpr long kLockoutTime = 300;

inline constexpr int32_t kRespPermissionDenied = 10007;
inline constexpr int32_t kRespMethodNotSupported = 10024;
inline constexpr int32_t kRespLoginIncorrect = 12001;
inline constexpr int32_t kRespChangePassword = 12002;
inline constexpr int32_t kRespLockedOut = 12003;

// ---- the request ----

// The body's members, in buffers that are wiped when they go.
struct Credentials {
    char userName[kUserNameLimit + 1] = {};
    char password[kPasswordLimit + 1] = {};
    Credentials() = default;
    Credentials(Credentials const&) = delete;
    Credentials& operator=(Credentials const&) = delete;
    ~Credentials();
};

// Reads the request body and takes the user name and password from it: 0, or
// 10003 when the body is missing, too long, not one JSON object, lacks a
// member or has one of the wrong type, or when the name is empty, holds a
// control character or is longer than 64 bytes, or the password is longer
// than 128. Every copy of the body is wiped before this returns.
int32_t readCredentials(Credentials& credentials);

// cJSON's allocations are wiped when freed, so that no password parsed from a
// body stays behind in freed memory.
void wipeJsonOnFree();

// ---- directories and locks ----

// The clock (bootUptime), locks (lockWaiting) and the files the program
// takes as its own (trustedDirectory, openTrustedFile): tools/, shared with
// the management program's session check.

// Opens the directory: only a real directory, not a link, owned by this
// process's account or root and writable by nobody else. -1 otherwise. The
// login program never makes its directories: they are made before the web
// server starts, as the server account's own.
int openOwnedDir(char const* path);

// Calls visit(name) for each name in the directory that may be one of the
// program's files: not "." or "..", nor any other that begins with ".", nor
// one known to be something else than a regular file.
template <typename Visit>
void eachFileName(int dir, Visit visit)
{
    int const listFd = dup(dir);
    if (listFd < 0)
        return;
    std::unique_ptr<DIR, int (*)(DIR*)> list(fdopendir(listFd), closedir);
    if (!list) {
        close(listFd);
        return;
    }
    rewinddir(list.get());
    while (dirent const* entry = readdir(list.get()))
        if (entry->d_name[0] != '.' && (entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN))
            visit(entry->d_name);
}

// ---- who may run it ----

// The program may carry a group that reads every account's password
// (set-group-ID): it serves the account that owns the directory it sits in
// (the server account, which alone can enter that directory) and root, and
// nobody else. False, with the reason on standard error, for anyone else.
bool runByServerAccount();

// ---- lockout ----

// The failures of one account, kept in a file of its own in the lockout
// directory and changed only under an exclusive lock on that file.
struct LockoutState {
    long lockedUntil = 0;              // uptime; 0 or past: not locked
    long failures[kLockoutFailures] = {}; // uptimes of the recent failures, oldest first
    int count = 0;
};

// The account's file, opened (created when missing) and locked exclusively;
// the lock holds until the descriptor is closed. -1 on failure.
int lockoutOpen(int dir, char const* userName);
// The state in the file as of now: stamps from a previous boot and failures
// older than the window are dropped.
LockoutState lockoutRead(int fd, long now);
// False when the state could not be written whole (a full /tmp).
bool lockoutWrite(int fd, LockoutState const& state);
// Removes the account's file, open and locked as fd: it logged in.
void lockoutForget(int dir, char const* userName, int fd);
// Removes the files that hold no failure within the window and no lock,
// except those a login holds at the moment.
void lockoutSweep(int dir, long now);
bool lockoutActive(LockoutState const& state, long now);
// Counts a failure; the fifth within the window locks the account.
void lockoutFail(LockoutState& state, long now);

// ---- PAM ----

enum class PamVerdict {
    kAccepted,
    kRefused,         // wrong password, unknown account, account refused
    kPasswordExpired, // right password, but it must be changed first
    kUnavailable,     // PAM itself failed: misconfigured, no access to the accounts
};

PamVerdict pamCheck(char const* service, char const* userName, char const* password, char const* remoteHost);

// ---- privilege and sessions ----

enum class Privilege { kAdmin, kReadWrite, kReadOnly };

Privilege privilegeOf(char const* userName, char const* readWriteGroup);
char const* privilegeName(Privilege privilege);

struct OpenSessions {
    unsigned total = 0;
    unsigned others = 0; // of other users than admin
};
// Sessions in the directory that have not been idle past the limit at now.
// A file that holds no session (no user name line, no time stamp line) is
// expired and removed.
OpenSessions countOpenSessions(int dir, long now);
// 32 lowercase hex digits from 128 random bits; false when none could be had.
bool newToken(char (&token)[33]);
// Creates the session file (0600) in the session check's format, written
// whole before it takes its name: 0, -1 on failure, or EEXIST when the
// token is taken.
int createSession(int dir, char const* token, char const* userName, Privilege privilege, long now);
// Removes the session file named by the token: true when there was one.
bool removeSession(int dir, char const* token);

// ---- the program ----

// Serves the request of the CGI environment and returns the exit status: 0,
// 255 when the switch RPC service could not be reached, or 1 (and a 403
// reply) when run by another account than the server's or root.
int serveLogin();
