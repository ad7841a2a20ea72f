#include "audit.h"

#include "json.h"
#include "own_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr char const* kSecretMembers[] = { "keyValue", "password" };
constexpr char kMasked[] = "***";

// What a record keeps of a body: strings of at most this many bytes, objects
// and arrays this deep, this many members or parameters.
constexpr size_t kValueLimit = 256;
constexpr int kDepthLimit = 6;
constexpr int kMemberLimit = 64;

constexpr size_t kNameSize = 200;

struct Request {
    bool open = false;
    timespec start {};
    char user[kNameSize] = {};
    char privilege[16] = {};
    bool hasUser = false;
    int status = 0;
    int32_t code = 0;
    bool hasCode = false;
    bool bodyNoted = false;
    Json members;
    char const* event = nullptr;
};

Request g_request;

// A build without the audit (MGMT_AUDIT=OFF) makes no record, and its hooks
// cost a test of this.
#ifdef MGMT_AUDIT_OFF
constexpr bool kAuditOn = false;
#else
constexpr bool kAuditOn = true;
#endif

// Drop counts of a process without a file to keep them beside.
uint64_t g_dropped[2] = {};
enum Sink { kSinkFile = 0, kSinkSyslog = 1 };

// At most size - 1 bytes of text up to its first line end.
template <size_t N>
void copyLine(char (&buffer)[N], char const* text)
{
    size_t length = 0;
    while (text != nullptr && length + 1 < N && text[length] != '\0' && text[length] != '\n'
           && text[length] != '\r')
        ++length;
    if (text != nullptr)
        memcpy(buffer, text, length);
    buffer[length] = '\0';
}

Json stringItem(char const* text, size_t length)
{
    std::string value(text, strnlen(text, std::min(length, kValueLimit)));
    return Json(cJSON_CreateString(value.c_str()));
}

// A copy of a body value with every secret member's value masked, cut to
// the record's limits.
Json maskedCopy(cJSON const* item, int depth)
{
    if (cJSON_IsString(item))
        return stringItem(item->valuestring, kValueLimit);
    if (!cJSON_IsObject(item) && !cJSON_IsArray(item))
        return Json(cJSON_Duplicate(item, false));
    if (depth >= kDepthLimit)
        return Json(cJSON_CreateNull());
    Json copy(cJSON_IsObject(item) ? cJSON_CreateObject() : cJSON_CreateArray());
    int count = 0;
    for (cJSON const* child = item->child; child != nullptr && count < kMemberLimit; child = child->next, ++count) {
        if (cJSON_IsObject(item)) {
            jsonAdd(copy.get(), child->string,
                    auditSecret(child->string) ? Json(cJSON_CreateString(kMasked)) : maskedCopy(child, depth + 1));
        } else {
            Json value = maskedCopy(child, depth + 1);
            if (value && cJSON_AddItemToArray(copy.get(), value.get()))
                value.release();
        }
    }
    return copy;
}

// name=value pieces of a query text, secrets masked; values as sent.
Json queryMembers(char const* query)
{
    Json members(cJSON_CreateObject());
    int count = 0;
    for (char const* piece = query; piece != nullptr && *piece != '\0' && count < kMemberLimit; ++count) {
        char const* end = strchr(piece, '&');
        size_t const length = end != nullptr ? static_cast<size_t>(end - piece) : strlen(piece);
        char const* equals = static_cast<char const*>(memchr(piece, '=', length));
        size_t const nameLength = equals != nullptr ? static_cast<size_t>(equals - piece) : length;
        std::string const name(piece, std::min(nameLength, kValueLimit));
        if (!name.empty()) {
            if (auditSecret(name.c_str()))
                jsonAdd(members.get(), name.c_str(), Json(cJSON_CreateString(kMasked)));
            else if (equals != nullptr)
                jsonAdd(members.get(), name.c_str(), stringItem(equals + 1, length - nameLength - 1));
            else
                jsonAdd(members.get(), name.c_str(), Json(cJSON_CreateNull()));
        }
        piece = end != nullptr ? end + 1 : nullptr;
    }
    return members;
}

void addString(cJSON* record, char const* name, char const* value)
{
    jsonAdd(record, name, Json(value != nullptr ? cJSON_CreateString(value) : cJSON_CreateNull()));
}

void addNumber(cJSON* record, char const* name, double value)
{
    jsonAdd(record, name, Json(cJSON_CreateNumber(value)));
}

// "2026-12-08T13:44:26.123Z"
void isoTime(timespec const& when, char (&text)[32])
{
    tm parts {};
    gmtime_r(&when.tv_sec, &parts);
    size_t const length = strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    snprintf(text + length, sizeof text - length, ".%03ldZ", when.tv_nsec / 1000000);
}

// What the login program did, in its own words.
char const* loginEvent(char const* method, Request const& request)
{
    if (strcmp(method, "DELETE") == 0)
        return "logout";
    if (request.event != nullptr)
        return request.event;
    if (!request.hasCode)
        return "login-failed";
    switch (request.code) {
    case 0: return "login";
    case 12003: return "locked-out";
    default: return "login-failed";
    }
}

Json buildRecord(char const* program, char const* method, timespec const& end)
{
    Json record(cJSON_CreateObject());
    char when[32];
    isoTime(end, when);
    addString(record.get(), "time", when);
    addString(record.get(), "program", program);
    if (strcmp(program, "login_v2.cgi") == 0)
        addString(record.get(), "event", loginEvent(method, g_request));
    addString(record.get(), "user", g_request.hasUser ? g_request.user : nullptr);
    addString(record.get(), "privilege", g_request.hasUser && g_request.privilege[0] != '\0' ? g_request.privilege
                                                                                               : nullptr);
    addString(record.get(), "remoteAddr", getenv("REMOTE_ADDR"));
    char const* port = getenv("REMOTE_PORT");
    char* portEnd = nullptr;
    long const portNumber = port != nullptr ? strtol(port, &portEnd, 10) : -1;
    if (port != nullptr && *port != '\0' && *portEnd == '\0' && portNumber >= 0 && portNumber <= 65535)
        addNumber(record.get(), "remotePort", static_cast<double>(portNumber));
    else
        addString(record.get(), "remotePort", nullptr);
    addString(record.get(), "method", method);
    char const* uri = getenv("REQUEST_URI");
    std::string const path = uri != nullptr ? std::string(uri, strcspn(uri, "?")).substr(0, 1023) : std::string();
    addString(record.get(), "path", uri != nullptr ? path.c_str() : nullptr);
    jsonAdd(record.get(), "query", queryMembers(getenv("QUERY_STRING")));
    jsonAdd(record.get(), "members",
            g_request.members ? std::move(g_request.members) : Json(cJSON_CreateObject()));
    if (g_request.status != 0)
        addNumber(record.get(), "status", g_request.status);
    else
        addString(record.get(), "status", nullptr);
    if (g_request.hasCode)
        addNumber(record.get(), "respCode", g_request.code);
    else
        addString(record.get(), "respCode", nullptr);
    double const took = static_cast<double>(end.tv_sec - g_request.start.tv_sec) * 1e3
                        + static_cast<double>(end.tv_nsec - g_request.start.tv_nsec) / 1e6;
    addNumber(record.get(), "durationMs", static_cast<double>(static_cast<long>(took * 1000)) / 1000);
    return record;
}

// ---- sinks ----

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int value)
        : fd(value)
    {
    }
    Fd(Fd const&) = delete;
    Fd& operator=(Fd const&) = delete;
    ~Fd()
    {
        if (fd >= 0)
            close(fd);
    }
};

// The directory of the audit file, when it can hold it: a directory owned by
// root or this account that others cannot write to (or, like /tmp, only
// with the sticky bit set).
int openAuditDir(std::string const& dir)
{
    int fd = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    bool const trusted = fstat(fd, &st) == 0 && trustedOwner(st)
                         && ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (st.st_mode & S_ISVTX) != 0);
    if (!trusted) {
        close(fd);
        return -1;
    }
    return fd;
}

// A file in the directory, created 0600 when missing, never through a link:
// only a regular file of this account with no other name.
int openOwnFile(int dir, char const* name, int flags)
{
    int fd = openat(dir, name, flags | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != programUid() || st.st_nlink != 1) {
        close(fd);
        return -1;
    }
    return fd;
}

// The drop counts beside the audit file: two 64-bit counters (file, syslog)
// that every process adds to and takes from atomically, through a shared
// mapping, without a lock to wait for.
class DropCounts {
public:
    DropCounts(int dir, std::string const& name)
    {
        if (dir < 0)
            return;
        Fd const fd(openOwnFile(dir, name.c_str(), O_RDWR));
        struct stat st {};
        if (fd.fd < 0 || fstat(fd.fd, &st) != 0)
            return;
        if (st.st_size < static_cast<off_t>(kSize) && ftruncate(fd.fd, kSize) != 0)
            return;
        void* mapped = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd.fd, 0);
        if (mapped != MAP_FAILED)
            m_counts = static_cast<uint64_t*>(mapped);
    }
    DropCounts(DropCounts const&) = delete;
    DropCounts& operator=(DropCounts const&) = delete;
    ~DropCounts()
    {
        if (m_counts != nullptr)
            munmap(m_counts, kSize);
    }

    uint64_t take(Sink sink)
    {
        uint64_t const own = g_dropped[sink];
        g_dropped[sink] = 0;
        if (m_counts == nullptr)
            return own;
        return own + std::atomic_ref<uint64_t>(m_counts[sink]).exchange(0);
    }
    void add(Sink sink, uint64_t count)
    {
        if (m_counts != nullptr)
            std::atomic_ref<uint64_t>(m_counts[sink]).fetch_add(count);
        else
            g_dropped[sink] += count;
    }

private:
    static constexpr size_t kSize = 2 * sizeof(uint64_t);
    uint64_t* m_counts = nullptr;
};

JsonText printWithDropped(cJSON* record, uint64_t dropped)
{
    cJSON_DeleteItemFromObjectCaseSensitive(record, "dropped");
    if (dropped != 0)
        addNumber(record, "dropped", static_cast<double>(dropped));
    return JsonText(cJSON_PrintUnformatted(record));
}

bool writeWhole(int fd, std::string const& line)
{
    // One write, so that the lines of processes writing at once never mix.
    return write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

// Once the file holds kAuditRotateSize bytes, the one process that gets its
// lock (without waiting) renames it, if the name still names it; the next
// record starts a new file.
void rotateIfFull(int dir, int fd, char const* name)
{
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size < kAuditRotateSize || flock(fd, LOCK_EX | LOCK_NB) != 0)
        return;
    struct stat named {};
    if (fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == st.st_ino && named.st_dev == st.st_dev)
        renameat(dir, name, dir, (std::string(name) + ".1").c_str());
    flock(fd, LOCK_UN);
}

// Where the web server names the file: its directory, held open, and its
// name in it; no directory when it names none or one that cannot hold it.
struct FilePlace {
    Fd dir;
    std::string name;
    explicit FilePlace(char const* path)
    {
        std::string const full(path != nullptr ? path : "");
        size_t const slash = full.rfind('/');
        name = slash == std::string::npos ? full : full.substr(slash + 1);
        if (!name.empty())
            dir.fd = openAuditDir(slash == std::string::npos ? "." : slash == 0 ? "/" : full.substr(0, slash));
    }
};

void toFile(FilePlace const& place, cJSON* record, DropCounts& counts)
{
    Fd const file(place.dir.fd >= 0 ? openOwnFile(place.dir.fd, place.name.c_str(), O_WRONLY | O_APPEND) : -1);
    uint64_t const dropped = counts.take(kSinkFile);
    JsonText const text = file.fd >= 0 ? printWithDropped(record, dropped) : nullptr;
    if (text == nullptr || !writeWhole(file.fd, std::string(text.get()) + "\n")) {
        counts.add(kSinkFile, dropped + 1);
        return;
    }
    rotateIfFull(place.dir.fd, file.fd, place.name.c_str());
}

// syslog's datagram, sent without waiting on a socket kept for the process:
// a receiver that is missing or full costs a refused send, never a wait.
void toSyslog(cJSON* record, DropCounts& counts)
{
    static int sock = -1;
    if (sock < 0)
        sock = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    uint64_t const dropped = counts.take(kSinkSyslog);
    JsonText const text = printWithDropped(record, dropped);
    time_t const now = time(nullptr);
    tm parts {};
    localtime_r(&now, &parts);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%b %e %H:%M:%S", &parts);
    char head[96];
    snprintf(head, sizeof head, "<%d>%s %s[%d]: ", LOG_AUTHPRIV | LOG_INFO, stamp, kAuditIdent,
             static_cast<int>(getpid()));
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, _PATH_LOG, sizeof _PATH_LOG);
    std::string const message = text != nullptr ? std::string(head) + text.get() : std::string();
    if (sock < 0 || message.empty()
        || sendto(sock, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                  reinterpret_cast<sockaddr const*>(&address), sizeof address)
               != static_cast<ssize_t>(message.size()))
        counts.add(kSinkSyslog, dropped + 1);
}

bool changesNothing(char const* method)
{
    return method == nullptr || strcmp(method, "GET") == 0 || strcmp(method, "HEAD") == 0;
}

} // namespace

void auditBegin()
{
    if (!kAuditOn)
        return;
    g_request = Request {};
    g_request.open = true;
    clock_gettime(CLOCK_REALTIME, &g_request.start);
}

void auditEnd(char const* program, int unanswered)
{
    if (!g_request.open)
        return;
    g_request.open = false;
    char const* method = getenv("REQUEST_METHOD");
    if (changesNothing(method)) {
        g_request = Request {};
        return;
    }
    timespec end {};
    clock_gettime(CLOCK_REALTIME, &end);
    if (g_request.status == 0)
        g_request.status = unanswered;
    Json const record = buildRecord(program, method, end);
    g_request = Request {};
    if (!record)
        return;
    char const* path = getenv(kAuditFileEnv);
    FilePlace const place(path);
    // The drop counts of both sinks live beside the file; without one, in
    // the process.
    DropCounts counts(place.dir.fd, place.name + ".dropped");
    if (path != nullptr && path[0] != '\0')
        toFile(place, record.get(), counts);
    toSyslog(record.get(), counts);
}

void auditSession(char const* userLine, char const* privilegeLine)
{
    copyLine(g_request.user, userLine);
    // An "admin" session's file has no privilege line: its next line is
    // the token, which never reaches a record.
    copyLine(g_request.privilege, strcmp(g_request.user, "admin") == 0 ? "admin" : privilegeLine);
    g_request.hasUser = true;
}

void auditSessionText(char const* text, long length)
{
    std::string const bytes(text, static_cast<size_t>(std::max(length, 0L)));
    size_t const first = bytes.find('\n');
    size_t const second = first == std::string::npos ? first : bytes.find('\n', first + 1);
    auditSession(bytes.c_str(), second == std::string::npos ? "" : bytes.c_str() + second + 1);
}

void auditUser(char const* user, char const* privilege)
{
    copyLine(g_request.user, user);
    copyLine(g_request.privilege, privilege != nullptr ? privilege : "");
    g_request.hasUser = user != nullptr;
}

void auditMembers(cJSON const* object)
{
    if (!g_request.open)
        return;
    g_request.bodyNoted = true;
    g_request.members = cJSON_IsObject(object) ? maskedCopy(object, 0) : Json(cJSON_CreateObject());
}

void auditBody(char const* text)
{
    if (!g_request.open)
        return;
    Json const parsed = jsonParse(text);
    auditMembers(parsed.get());
}

bool auditBodyWanted()
{
    return g_request.open && !g_request.bodyNoted;
}

void auditStatus(int status)
{
    g_request.status = status;
}

void auditResponseCode(int32_t code)
{
    g_request.code = code;
    g_request.hasCode = true;
    if (g_request.status == 0)
        g_request.status = 200;
}

void auditEvent(char const* event)
{
    g_request.event = event;
}

std::span<char const* const> auditSecretMembers()
{
    return kSecretMembers;
}

bool auditSecret(char const* name)
{
    // The programs find members without regard to letter case, and a query
    // parameter as the first piece whose name holds the name asked for.
    for (char const* secret : kSecretMembers)
        if (name != nullptr && strcasestr(name, secret) != nullptr)
            return true;
    return false;
}
