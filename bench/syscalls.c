/*
 * The admin GET's system calls alone: the same calls on the same files, in
 * the order the program makes them, and nothing else: no parsing, no route
 * tree, no JSON, no heap beyond what the C library's start takes, no reply
 * text. Set beside the floor and the program in the same rounds, it shows
 * what of a request is the files it has to touch (the log and its level
 * byte, the switch's state file under its lock three times, the session
 * file under its lock) and what is the program's own work.
 *
 * Started as the program is, with its environment: SWSIM_STATE names the
 * state file and HTTP_SESSION the session. Writes nothing to standard
 * output but an empty write where the reply goes.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

static char bytes[8192];

static int levelByte(int fd)
{
    return (int)pread(fd, bytes, 1, 0);
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
    char const* state = getenv("SWSIM_STATE");
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
    pread(file, bytes, (size_t)st.st_size + 1 < sizeof bytes ? (size_t)st.st_size + 1 : sizeof bytes, 0);
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
    ssize_t n = read(session, bytes, 416);
    struct sysinfo info;
    sysinfo(&info);
    if (n > 0)
        pwrite(session, bytes, (size_t)n, 0);
    levelByte(level);
    flock(session, LOCK_UN);
    close(session);
    close(dir);

    /* The handler's call, the teardown, the reply. */
    lockedLook(file, state);
    close(file);
    write(1, bytes, 0);
    return 0;
}
