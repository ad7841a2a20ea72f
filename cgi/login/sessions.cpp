// Session files as the session check reads them, made and removed by the
// login side; the privilege a user logs in with.
#include "login.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A session's head: its user name line and its time stamp line (0: no
// limit). False when the file holds no session: one killed before it was
// written, or cut short.
bool sessionHead(int fd, bool& admin, long& stamp)
{
    char text[512] = {};
    ssize_t const n = pread(fd, text, sizeof text - 1, 0);
    text[n > 0 ? n : 0] = '\0';
    char const* line = strchr(text, '\n');
    if (line == nullptr || line == text || !isdigit(static_cast<unsigned char>(line[1])))
        return false;
    char* end = nullptr;
    stamp = strtol(line + 1, &end, 10);
    admin = strncmp(text, "admin\n", 6) == 0;
    return *end == '\n';
}

// Buffers of the sizes the system asks for, for the reentrant account lookups.
std::vector<char> lookupBuffer(int which)
{
    long const size = sysconf(which);
    return std::vector<char>(size > 0 ? static_cast<size_t>(size) : 16384);
}

// A reentrant account lookup (getgrnam_r, getpwnam_r) with a buffer that
// grows until the record fits.
template <typename Record, typename Lookup>
Record* lookUp(Lookup lookup, char const* name, Record& record, std::vector<char>& buffer)
{
    Record* found = nullptr;
    while (lookup(name, &record, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return found;
}

bool inGroup(char const* userName, char const* groupName)
{
    std::vector<char> groupBuffer = lookupBuffer(_SC_GETGR_R_SIZE_MAX);
    struct group group {};
    if (lookUp(getgrnam_r, groupName, group, groupBuffer) == nullptr)
        return false;
    for (char** member = group.gr_mem; member != nullptr && *member != nullptr; ++member)
        if (strcmp(*member, userName) == 0)
            return true;
    // Or the group is the account's own primary group.
    std::vector<char> userBuffer = lookupBuffer(_SC_GETPW_R_SIZE_MAX);
    struct passwd account {};
    return lookUp(getpwnam_r, userName, account, userBuffer) != nullptr && account.pw_gid == group.gr_gid;
}

} // namespace

Privilege privilegeOf(char const* userName, char const* readWriteGroup)
{
    if (strcmp(userName, "admin") == 0)
        return Privilege::kAdmin;
    return inGroup(userName, readWriteGroup) ? Privilege::kReadWrite : Privilege::kReadOnly;
}

char const* privilegeName(Privilege privilege)
{
    switch (privilege) {
    case Privilege::kAdmin: return "admin";
    case Privilege::kReadWrite: return "read-write";
    case Privilege::kReadOnly: break;
    }
    return "read-only";
}

OpenSessions countOpenSessions(int dir, long now)
{
    OpenSessions open;
    eachFileName(dir, [dir, now, &open](char const* name) {
        int fd = openTrustedFile(dir, name, O_RDONLY);
        if (fd < 0)
            return;
        // Read as the session check leaves it, never half rewritten.
        bool admin = false;
        long stamp = 0;
        bool valid = true;
        if (lockWaiting(fd, LOCK_EX) == 0) {
            valid = sessionHead(fd, admin, stamp);
            if (!valid)
                unlinkat(dir, name, 0);
        }
        close(fd);
        if (valid && (stamp == 0 || stamp >= now - kSessionIdleLimit)) {
            ++open.total;
            open.others += admin ? 0 : 1;
        }
    });
    return open;
}

bool newToken(char (&token)[33])
{
    unsigned char bytes[16];
    size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < sizeof bytes; ++i) {
        token[2 * i] = kDigits[bytes[i] >> 4];
        token[2 * i + 1] = kDigits[bytes[i] & 0xf];
    }
    token[32] = '\0';
    return true;
}

int createSession(int dir, char const* token, char const* userName, Privilege privilege, long now)
{
    static constexpr char const* kLines[] = { "", "rw\n", "ro\n" }; // by Privilege
    char content[256];
    int const length = snprintf(content, sizeof content, "%s\n%ld\n%s%s", userName, now,
                                kLines[static_cast<int>(privilege)], token);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof content)
        return -1;
    // Written in a file without a name, which then takes the token's: no
    // process, killed at any point, leaves a session file half written.
    int fd = openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    bool written = fchmod(fd, 0600) == 0;
    for (ssize_t done = 0; written && done < length;) {
        ssize_t n = write(fd, content + done, static_cast<size_t>(length - done));
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        done += n > 0 ? n : 0;
    }
    int result = -1;
    if (written) {
        char self[32];
        snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
        result = linkat(AT_FDCWD, self, dir, token, AT_SYMLINK_FOLLOW) == 0 ? 0 : errno == EEXIST ? EEXIST : -1;
    }
    if (result == 0)
        auditSession(userName, kLines[static_cast<int>(privilege)]);
    close(fd);
    return result;
}

bool removeSession(int dir, char const* token)
{
    // Names that begin with "." are no tokens the login program gives.
    if (!plainFileName(token) || token[0] == '.')
        return false;
    int fd = openTrustedFile(dir, token, O_RDONLY);
    if (fd < 0)
        return false;
    // Not while a request checks or refreshes it.
    bool const locked = lockWaiting(fd, LOCK_EX) == 0;
    char head[512];
    if (locked)
        auditSessionText(head, pread(fd, head, sizeof head, 0));
    bool const removed = locked && unlinkat(dir, token, 0) == 0;
    close(fd);
    return removed;
}
