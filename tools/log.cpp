#include "log.h"

#include "json.h"
#include "own_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <mutex>

namespace {

struct LogState {
    int mode = -1;
    int facility = -1;
    char const* ident = nullptr; // not owned
    FILE* logFile = nullptr;
    int32_t logSize = 0;
    int levelFd = -1;
    bool initialised = false;
    bool levelMapped = false; // the level file is open and its byte counts
    std::mutex lock; // guards logFile and every write to it
    char nameBuffer[64] = {};
};

LogState g_log;

constexpr int kDefaultThreshold = 6;
constexpr int kDefaultFacility = 8;

char const* levelName(int level)
{
    switch (level) {
    case 3: return "ERROR";
    case 4: return "WARN";
    case 5: return "NOTICE";
    case 6: return "INFO";
    case 7: return "DEBUG";
    default: return ""; // 0 to 2, and levels the program never uses
    }
}

void unmapLevel()
{
    if (g_log.levelFd >= 0)
        close(g_log.levelFd);
    g_log.levelFd = -1;
    g_log.levelMapped = false;
}

// The program's own files in "/tmp", which every local account can write
// to: taken only when reached without a link, a regular file with this one
// name, owned by the account the program runs as or by root. Anything else
// there (a link to another file, a FIFO, a directory, a file of another
// account) was put there by someone else and is not used.
bool ownFile(struct stat const& st)
{
    return S_ISREG(st.st_mode) && st.st_nlink == 1 && trustedOwner(st);
}

// Opens one of the program's own files for reading and writing, creating it
// with the mode given when missing; -1 when it is not the program's own.
// size: the file's size as opened, as far as a 32-bit count goes.
int openOwnFile(char const* path, int flags, mode_t mode, int32_t& size)
{
    int fd = open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | flags, mode);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !ownFile(st)) {
        close(fd);
        return -1;
    }
    size = static_cast<int32_t>(std::min<off_t>(st.st_size, INT32_MAX));
    return fd;
}

// The level byte, read from the file at each use: a file cut short by a
// rewrite ("echo 6 > /tmp/devmgr_log_level" empties it first) reads as no
// digit for that moment, where touching a mapped page past its end would
// kill the process.
int readLevelByte()
{
    char byte = 0;
    ssize_t n;
    do
        n = pread(g_log.levelFd, &byte, 1, 0);
    while (n < 0 && errno == EINTR);
    return n == 1 ? static_cast<unsigned char>(byte) : -1;
}

// The level file is opened once and shared by every process through its
// first byte. Without it the threshold stays at its default for this
// process. A file of any other size than 4 bytes (a new one, or one
// rewritten by hand) is made 4 bytes with real space before use: in a full
// "/tmp" that fails and the default holds.
void mapLevel()
{
    int32_t size = 0;
    int fd = openOwnFile(kLogLevelPath, 0, 0666, size);
    if (fd < 0)
        return;
    if (size != 4 && (ftruncate(fd, 4) != 0 || posix_fallocate(fd, 0, 4) != 0)) {
        close(fd);
        return;
    }
    g_log.levelFd = fd;
    int const first = readLevelByte();
    if (first < 0 || !std::isdigit(first)) {
        char const digit = '6';
        if (pwrite(fd, &digit, 1, 0) != 1) {
            unmapLevel();
            return;
        }
    }
    g_log.levelMapped = true;
}

// The log file, for appending and reading, created readable by its owner
// only: debug lines carry session tokens. None when it is not the program's
// own file. size: its size as opened.
FILE* openLog(int32_t& size)
{
    size = 0;
    int fd = openOwnFile(kLogFilePath, O_APPEND, 0600, size);
    if (fd < 0)
        return nullptr;
    FILE* file = fdopen(fd, "a+");
    if (file == nullptr) {
        close(fd);
        size = 0;
    }
    return file;
}

void openLogFile()
{
    std::lock_guard guard(g_log.lock);
    if (g_log.logFile != nullptr)
        fclose(g_log.logFile);
    g_log.logFile = openLog(g_log.logSize);
}

void closeLogFile()
{
    std::lock_guard guard(g_log.lock);
    if (g_log.logFile != nullptr)
        fclose(g_log.logFile);
    g_log.logFile = nullptr;
}

// The process name from "/proc/self/status", kept in nameBuffer.
char const* processName()
{
    FILE* status = fopen("/proc/self/status", "r");
    if (status == nullptr)
        return nullptr;
    char const* name = nullptr;
    while (fgets(g_log.nameBuffer, sizeof g_log.nameBuffer, status) != nullptr) {
        if (strncmp(g_log.nameBuffer, "Name:", 5) != 0)
            continue;
        char* save = nullptr;
        strtok_r(g_log.nameBuffer, "\t\n", &save);
        char* token = strtok_r(nullptr, "\t\n", &save);
        if (token != nullptr) {
            memmove(g_log.nameBuffer, token, strlen(token) + 1);
            name = g_log.nameBuffer;
        }
        break;
    }
    fclose(status);
    return name;
}

void release()
{
    if ((g_log.mode & LOG_MODE_SYSLOG) != 0)
        closelog();
    if ((g_log.mode & LOG_MODE_FILE) != 0)
        closeLogFile();
    unmapLevel();
    g_log.initialised = false;
}

// Every process counts on its own and may decide to rotate the same file. The
// first one rotates; one that finds the file already moved away (under a lock
// on the file, so that two never both move it) only follows to the new file,
// and a fresh "/tmp/brisk.log.old" is never thrown away by a second rotation.
//
// "/tmp" is open to every local account: neither name is ever left free for
// one of them to take. The log and the old log change places in one step,
// the old one emptied first; when "/tmp/brisk.log.old" is not the program's
// own (another account took it), the log is emptied where it is, so that it
// stays bounded, and what it held is lost. The log is never left for
// standard output: when the file at the name cannot be taken, this one is
// kept.
void rotate()
{
    int const fd = fileno(g_log.logFile);
    lockWaiting(fd, LOCK_EX);
    struct stat held {}, named {};
    bool const current = fstat(fd, &held) == 0 && lstat(kLogFilePath, &named) == 0 && held.st_ino == named.st_ino
                         && held.st_dev == named.st_dev;
    if (current) {
        int32_t ignored = 0;
        int const old = openOwnFile(kLogOldFilePath, 0, 0600, ignored);
        bool const moved = old >= 0 && ftruncate(old, 0) == 0
                           && renameat2(AT_FDCWD, kLogFilePath, AT_FDCWD, kLogOldFilePath, RENAME_EXCHANGE) == 0;
        if (old >= 0)
            close(old);
        if (!moved) {
            (void)!ftruncate(fd, 0);
            g_log.logSize = 0;
            flock(fd, LOCK_UN);
            return;
        }
    }
    int32_t size = 0;
    FILE* next = openLog(size);
    if (next == nullptr) {
        flock(fd, LOCK_UN);
        return;
    }
    fclose(g_log.logFile); // releases the lock
    g_log.logFile = next;
    g_log.logSize = current ? 0 : size;
}

} // namespace

void devmgrLogOpen(int mode, int facility, char const* ident)
{
    if (g_log.initialised)
        release();
    bool const mapped = g_log.levelMapped;
    g_log.ident = ident;
    g_log.mode = mode;
    g_log.facility = facility;
    if (!mapped)
        mapLevel();
    if ((mode & LOG_MODE_FILE) != 0)
        openLogFile();
}

int devmgrLogLevelGet()
{
    if (!g_log.levelMapped)
        return kDefaultThreshold;
    int const first = readLevelByte();
    return first >= 0 && std::isdigit(first) ? first - '0' : kDefaultThreshold;
}

namespace {

// Writes the whole of a piece to a descriptor.
void writeAll(int fd, char const* bytes, size_t length)
{
    while (length > 0) {
        ssize_t n = write(fd, bytes, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
}

} // namespace

void devmgrLogLine(FILE* stream, int level, char const* format, va_list args)
{
    char stamp[64];
    bool stamped = false;
    struct timespec now {};
    struct tm local {};
    if (clock_gettime(CLOCK_REALTIME, &now) == 0 && localtime_r(&now.tv_sec, &local) != nullptr) {
        int n = snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03ld", local.tm_year + 1900,
                         local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                         now.tv_nsec / 1000000);
        stamped = n > 0 && static_cast<size_t>(n) < sizeof stamp;
    }
    char const* ident = g_log.ident != nullptr ? g_log.ident : "";
    // The line is formatted whole: into the shared log file it goes in one
    // write, so that lines of processes appending at once never interleave,
    // however long.
    char* messageText = nullptr;
    int const messageLength = vasprintf(&messageText, format, args);
    CText const message(messageLength >= 0 ? messageText : nullptr);
    char const* body = message ? message.get() : "";
    char* lineText = nullptr;
    int const lineLength = stamped ? asprintf(&lineText, "%s (%s): %s: %s", stamp, levelName(level), ident, body)
                                   : asprintf(&lineText, "(%s): %s: %s", levelName(level), ident, body);
    CText const line(lineLength >= 0 ? lineText : nullptr);
    size_t const length = line ? static_cast<size_t>(lineLength) : 0;
    if (g_log.logFile == nullptr || stream != g_log.logFile) {
        if (line)
            fwrite(line.get(), 1, length, stream);
        return;
    }
    if (line) {
        fflush(g_log.logFile);
        writeAll(fileno(g_log.logFile), line.get(), length);
    }
    // Counted wide: a file found far past the limit rotates at once.
    int64_t const size = int64_t { g_log.logSize } + static_cast<int64_t>(length);
    g_log.logSize = static_cast<int32_t>(std::min<int64_t>(size, INT32_MAX));
    if (size > kLogRotateSize)
        rotate();
    if (g_log.logFile != nullptr)
        fflush(g_log.logFile);
}

void devmgrLog(int level, char const* format, ...)
{
    if (level > devmgrLogLevelGet())
        return;
    if (!g_log.initialised) {
        if (g_log.mode < 0) {
            g_log.mode = LOG_MODE_STDOUT;
            if (g_log.facility < 0)
                g_log.facility = kDefaultFacility;
        } else {
            if (g_log.facility < 0)
                g_log.facility = kDefaultFacility;
            if (g_log.ident == nullptr && g_log.mode != LOG_MODE_STDOUT)
                g_log.ident = processName();
            if ((g_log.mode & LOG_MODE_SYSLOG) != 0)
                openlog(g_log.ident, 0, g_log.facility);
        }
        g_log.initialised = true;
    }

    va_list args;
    va_start(args, format);
    if ((g_log.mode & LOG_MODE_STDOUT) != 0) {
        va_list copy;
        va_copy(copy, args);
        devmgrLogLine(stdout, level, format, copy);
        va_end(copy);
    }
    if ((g_log.mode & LOG_MODE_FILE) != 0) {
        std::lock_guard guard(g_log.lock);
        va_list copy;
        va_copy(copy, args);
        devmgrLogLine(g_log.logFile != nullptr ? g_log.logFile : stdout, level, format, copy);
        va_end(copy);
    }
    if ((g_log.mode & LOG_MODE_SYSLOG) != 0) {
        va_list copy;
        va_copy(copy, args);
        vsyslog(level, format, copy);
        va_end(copy);
    }
    va_end(args);
}

void devmgrLogClose()
{
    if (!g_log.initialised)
        return;
    release();
}

void devmgrLogReset()
{
    if (g_log.initialised)
        release();
    closeLogFile();
    unmapLevel();
    g_log.mode = -1;
    g_log.facility = -1;
    g_log.ident = nullptr;
    g_log.logSize = 0;
    g_log.nameBuffer[0] = '\0';
}
