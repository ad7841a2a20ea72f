// The login session check: the session file named by the token in
// "/tmp/session/" is locked, its privilege checked against the route, its idle
// time against the limit, and, unless the request says not to, re-stamped.
#include "bounded_text.h"
#include "httpd.h"
#include "log.h"
#include "own_files.h"
#include "uptime.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The session file's lines as they are read: user name, time stamp, privilege.
constexpr size_t kUserNameSize = 200;
constexpr size_t kTimeStampSize = 200;
constexpr size_t kPrivilegeSize = 16;

// Only a plain file name inside the session directory names a session; the
// directory and the file are taken by the rules of tools/own_files.h, which
// the login program shares, so that the two never disagree on which files
// are theirs.

// The session directory itself, not a link to somewhere else: "/tmp" is
// open to every local user, who could put such a link in its place, or make
// the directory first and let anyone put sessions in it. Only a directory
// of a trusted owner that no group or other account can write to holds
// sessions; any other counts as no directory, so every token is refused.
int openSessionDir()
{
    constexpr char kDir[] = "/tmp/session";
    static_assert(sizeof kDir + 1 == sizeof kSessionDir);
    int dir = open(kDir, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0)
        return -1;
    struct stat st {};
    if (fstat(dir, &st) != 0 || !trustedDirectory(st)) {
        close(dir);
        return -1;
    }
    return dir;
}

// Opens the session file in the session directory without following a link
// and without blocking on a FIFO, and takes it only when it is a regular
// file of a trusted owner that other accounts cannot write to; -1 otherwise.
int openSession(int dir, char const* token, bool pathComplete)
{
    if (dir < 0 || !plainFileName(token) || !pathComplete)
        return -1;
    return openTrustedFile(dir, token, O_RDWR); // read and rewritten
}

// A file cut short before its time stamp line (a login killed before it
// wrote it) holds no session: whoever finds it removes it, so that it keeps
// no place. A session with a wrong privilege line is kept.
int refuseSession(int dir, char const* token, char const* timeStamp)
{
    if (strchr(timeStamp, '\n') == nullptr)
        unlinkat(dir, token, 0);
    return -1;
}

// Holds the session directory and the open session file, and closes them,
// releasing the lock, on every path.
struct SessionFile {
    int dir;
    int fd;
    ~SessionFile()
    {
        if (fd >= 0)
            close(fd);
        if (dir >= 0)
            close(dir);
    }
};

// The lines are read as fgets reads them, one after the other from the
// file's start: each into its zero-filled buffer, at most its size less one,
// up to and with its line end. The file is read once, as far as the three
// lines can reach, without a stream and its buffer. A read of the regular
// file that returns less than it asked for has met its end: the whole file
// was read.
struct SessionHead {
    char bytes[kUserNameSize + kTimeStampSize + kPrivilegeSize] = {};
    size_t length = 0;
    size_t taken = 0;
    bool whole = false;

    explicit SessionHead(int fd)
    {
        while (length < sizeof bytes && !whole) {
            ssize_t n = read(fd, bytes + length, sizeof bytes - length);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                break;
            whole = static_cast<size_t>(n) < sizeof bytes - length;
            length += static_cast<size_t>(n);
        }
    }

    // The whole file was read, and it is no longer than size bytes.
    bool wholeWithin(size_t size) const { return whole && length <= size; }

    template <size_t N>
    void line(char (&buffer)[N])
    {
        size_t count = 0;
        while (count + 1 < N && taken < length) {
            char const c = bytes[taken++];
            buffer[count++] = c;
            if (c == '\n')
                break;
        }
    }
};

bool writeAll(int fd, char const* text, size_t length)
{
    for (off_t offset = 0; length > 0;) {
        ssize_t n = pwrite(fd, text, length, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        text += n;
        offset += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

int checkSessionX(char const* token, char const* refresh, HttpdCContent const* entry)
{
    BoundedText<512> path(kSessionDir);
    bool const pathComplete = path.add(token != nullptr ? token : "");
    SessionFile session { openSessionDir(), -1 };
    session.fd = openSession(session.dir, token, pathComplete);
    if (session.fd < 0) {
        DEVMGR_LOG(7, "%s file not exsits, ignore\n", path.text);
        return -1;
    }
    if (lockWaiting(session.fd, LOCK_EX) != 0) {
        DEVMGR_LOG(3, "File lock failed\n");
        return -1;
    }

    char userName[kUserNameSize] = {};
    char timeStamp[kTimeStampSize] = {};
    char privilege[kPrivilegeSize] = {};
    SessionHead head(session.fd);
    head.line(userName);
    head.line(timeStamp);

    bool const admin = strcmp(userName, "admin\n") == 0;
    if (!admin) {
        head.line(privilege);
        if (privilege[0] != 'r' || (privilege[1] != 'o' && privilege[1] != 'w')) {
            DEVMGR_LOG(3, "Invalid priviledged level in user session\n");
            return refuseSession(session.dir, token, timeStamp);
        }
        bool const readOnly = privilege[1] == 'o';
        if (entry->authFlag == kAuthAdmin || (readOnly && entry->method != kMethodGet)) {
            DEVMGR_LOG(3, "Permission denied, not a priviledged user\n");
            auditSession(userName, privilege);
            return -1;
        }
    }
    long const uptime = bootUptime();
    if (uptime < 0) {
        DEVMGR_LOG(3, "Failed to get sysinfo\r\n");
        return -1;
    }
    // Seconds since boot, the clock of every stamp.
    long const stamp = strtol(timeStamp, nullptr, 10);
    // Idle longer than the limit, compared without forming uptime - stamp,
    // which a stamp far in the negative would overflow.
    if (stamp != 0 && stamp < uptime - kSessionIdleLimit) {
        DEVMGR_LOG(6, "Token timeout(%ld - %ld).please login again. (userName: %s timestamp: %s)\r\n", uptime,
                   stamp, userName, timeStamp);
        unlinkat(session.dir, token, 0);
        return -1;
    }

    if (refresh == nullptr) {
        BoundedText<256> content(userName);
        content.add(uptime);
        content.add("\n");
        if (!admin)
            content.add(privilege);
        content.add(token);
        // The new content is complete in the file before the lock is released.
        // It is written over the old one first and the file then cut to its
        // length, so that a process killed half way leaves a whole session
        // (at worst with the old token's tail after the new one), never an
        // empty file. A file no longer than the new content needs no cut.
        if (writeAll(session.fd, content.text, content.length) && !head.wholeWithin(content.length))
            (void)!ftruncate(session.fd, static_cast<off_t>(content.length));
        DEVMGR_LOG(7, "Token update to file. (%s)\r\n", content.text);
    }

    if (lockWaiting(session.fd, LOCK_UN) != 0) {
        DEVMGR_LOG(3, "File unlock failed\n");
        return -1;
    }
    auditSession(userName, privilege);
    return 0;
}
