/*
 * The admin GET's system calls alone: the same calls on the same files, in
 * the order the program makes them, and nothing else: no parsing, no route
 * tree, no JSON, no heap beyond what the C library's start takes, no reply
 * text. Set beside the floor and the program in the same rounds, it shows
 * what of a request is the files it has to touch (the log and its level
 * byte, the switch's state file under its lock three times, the session
 * file under its lock) and what is the program's own work.
 *
 * With SYSCALLS_CHANGE set, it names the state file instead, and the
 * handler's call changes the state as a changing PUT does: the stale new
 * files looked for, a new file written with the state file's text and its
 * attribute, synced, renamed over it, and the directory synced.
 *
 * Started as the program is, with its environment: SWSIM_STATE names the
 * state file and HTTP_SESSION the session. Writes nothing to standard
 * output but an empty write where the reply goes.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysinfo.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

static char bytes[8192];
static char attribute[1024];
static char sessionBytes[416];

static int levelByte(int fd)
{
    char level;
    return (int)pread(fd, &level, 1, 0);
}

/* The handler's call when it changes the state: the text read at the first
 * call written anew beside the state file and renamed over it. */
static void lockedChange(int fd, char const* path, size_t size, ssize_t attributeSize)
{
    char directory[4096];
    char temp[4200];
    struct stat st;
    snprintf(directory, sizeof directory, "%s", path);
    char* slash = strrchr(directory, '/');
    if (slash == NULL)
        return;
    *slash = '\0';
    flock(fd, LOCK_EX);
    stat(path, &st);
    int dir = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    char entries[2048];
    while (syscall(SYS_getdents64, dir, entries, sizeof entries) > 0) {
    }
    snprintf(temp, sizeof temp, "%s.tmp.%d", path, (int)getpid());
    int fresh = open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    struct iovec whole = { bytes, size };
    writev(fresh, &whole, 1);
    if (attributeSize > 0)
        fsetxattr(fresh, "user.swsim.index", attribute, (size_t)attributeSize, 0);
    fsync(fresh);
    rename(temp, path);
    fstat(fresh, &st);
    fsync(dir);
    close(fresh);
    close(dir);
    flock(fd, LOCK_UN);
}

/* A call of the switch stand-in on the state file it holds open. */
static void lockedLook(int fd, char const* path)
{
    struct stat st;
    flock(fd, LOCK_EX);
    stat(path, &st);
    flock(fd, LOCK_UN);
}

int main(void)
{
    char const* change = getenv("SYSCALLS_CHANGE");
    char const* state = change != NULL ? change : getenv("SWSIM_STATE");
    char const* token = getenv("HTTP_SESSION");
    if (state == NULL || token == NULL)
        return 1;
    struct stat st;
    int listening;
    socklen_t length = sizeof listening;
    getsockopt(0, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length);

    /* The log: its level byte and its file. */
    int level = open("/tmp/devmgr_log_level", O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    fstat(level, &st);
    geteuid();
    levelByte(level);
    int log = open("/tmp/brisk.log", O_RDWR | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    fstat(log, &st);
    fcntl(log, F_GETFL);

    /* Registration: the client name, the two version queries. */
    getpid();
    levelByte(level);
    int file = open(state, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    flock(file, LOCK_EX);
    fstat(file, &st);
    stat(state, &st);
    ssize_t const size = pread(file, bytes, (size_t)st.st_size + 1 < sizeof bytes ? (size_t)st.st_size + 1 : sizeof bytes, 0);
    ssize_t const attributeSize = fgetxattr(file, "user.swsim.index", attribute, sizeof attribute);
    flock(file, LOCK_UN);
    levelByte(level);
    lockedLook(file, state);
    levelByte(level);

    /* The session check and its refresh. */
    int dir = open("/tmp/session", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    fstat(dir, &st);
    int session = openat(dir, token, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    fstat(session, &st);
    flock(session, LOCK_EX);
    ssize_t n = read(session, sessionBytes, sizeof sessionBytes);
    struct sysinfo info;
    sysinfo(&info);
    if (n > 0)
        pwrite(session, sessionBytes, (size_t)n, 0);
    levelByte(level);
    flock(session, LOCK_UN);
    close(session);
    close(dir);

    /* The handler's call, the teardown, the reply. */
    if (change != NULL && size > 0)
        lockedChange(file, state, (size_t)size, attributeSize);
    else
        lockedLook(file, state);
    close(file);
    write(1, bytes, 0);
    return 0;
}
