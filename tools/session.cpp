// The login session check: the session file named by the token in
// "/tmp/session/" is locked, its privilege checked against the route, its idle
// time against the limit, and, unless the request says not to, re-stamped.
#include "httpd.h"
#include "log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Only a plain file name inside the session directory can name a session.
bool tokenIsFileName(char const* token)
{
    return token != nullptr && token[0] != '\0' && strchr(token, '/') == nullptr && strcmp(token, ".") != 0
           && strcmp(token, "..") != 0;
}

// The session directory itself, not a link to somewhere else: "/tmp" is
// open to every local user, who could put such a link in its place.
int openSessionDir()
{
    constexpr char kDir[] = "/tmp/session";
    static_assert(sizeof kDir + 1 == sizeof kSessionDir);
    return open(kDir, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Opens the session file in the session directory without following a link
// and without blocking on a FIFO, and takes it only when it is a regular file.
FILE* openSession(int dir, char const* token, bool pathComplete)
{
    if (dir < 0 || !tokenIsFileName(token) || !pathComplete)
        return nullptr;
    int fd = openat(dir, token, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "r+");
    if (file == nullptr)
        close(fd);
    return file;
}

int lockFile(FILE* file, int operation)
{
    int rc;
    do
        rc = flock(fileno(file), operation);
    while (rc != 0 && errno == EINTR);
    return rc;
}

// Holds the session directory and the open session file, and closes them,
// releasing the lock, on every path.
struct SessionFile {
    int dir;
    FILE* file;
    ~SessionFile()
    {
        if (file != nullptr)
            fclose(file);
        if (dir >= 0)
            close(dir);
    }
};

} // namespace

int checkSessionX(char const* token, char const* refresh, HttpdCContent const* entry)
{
    char path[512];
    int length = snprintf(path, sizeof path, "%s%s", kSessionDir, token != nullptr ? token : "");
    bool const pathComplete = length > 0 && static_cast<size_t>(length) < sizeof path;
    SessionFile session { openSessionDir(), nullptr };
    session.file = openSession(session.dir, token, pathComplete);
    if (session.file == nullptr) {
        DEVMGR_LOG(7, "%s file not exsits, ignore\n", path);
        return -1;
    }
    if (lockFile(session.file, LOCK_EX) != 0) {
        DEVMGR_LOG(3, "File lock failed\n");
        return -1;
    }

    char userName[200] = {};
    char timeStamp[200] = {};
    char privilege[16] = {};
    fgets(userName, sizeof userName, session.file);
    fgets(timeStamp, sizeof timeStamp, session.file);

    bool const admin = strcmp(userName, "admin\n") == 0;
    if (!admin) {
        fgets(privilege, sizeof privilege, session.file);
        if (privilege[0] != 'r' || (privilege[1] != 'o' && privilege[1] != 'w')) {
            DEVMGR_LOG(3, "Invalid priviledged level in user session\n");
            return -1;
        }
        bool const readOnly = privilege[1] == 'o';
        if (entry->authFlag == kAuthAdmin || (readOnly && entry->method != kMethodGet)) {
            DEVMGR_LOG(3, "Permission denied, not a priviledged user\n");
            return -1;
        }
    }

    struct sysinfo info {};
    if (sysinfo(&info) != 0) {
        DEVMGR_LOG(3, "Failed to get sysinfo\r\n");
        return -1;
    }
    long const uptime = info.uptime;
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
        char content[256];
        if (admin)
            snprintf(content, sizeof content, "%s%ld\n%s", userName, uptime, token);
        else
            snprintf(content, sizeof content, "%s%ld\n%s%s", userName, uptime, privilege, token);
        // The new content is complete in the file before the lock is released.
        if (ftruncate(fileno(session.file), 0) == 0) {
            rewind(session.file);
            fputs(content, session.file);
            fflush(session.file);
        }
        DEVMGR_LOG(7, "Token update to file. (%s)\r\n", content);
    }

    if (lockFile(session.file, LOCK_UN) != 0) {
        DEVMGR_LOG(3, "File unlock failed\n");
        return -1;
    }
    return 0;
}
