#include "audit.h"

#include "bounded_text.h"
#include "json.h"
#include "own_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
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
    // The body's members, masked, as record text; or the body's text, parsed
    // only when the record is written.
    bool hasMembers = false;
    std::string members;
    bool hasBody = false;
    std::string body;
    char const* event = nullptr;
};

// What the record keeps of the CGI environment, copied when the request
// ends: a persistent process writes the record once the next request's
// environment may stand in its place.
struct Ended {
    char const* program = nullptr;
    timespec end {};
    struct Value {
        bool set = false;
        std::string text;
    };
    Value method, remoteAddr, remotePort, uri, query;
};

Request g_request;
Ended g_ended;

// The request's notes cleared for the next, their buffers kept while they
// are of a usual size: a large body's never stays behind as the memory of a
// persistent process.
void clearRequest(Request& request)
{
    constexpr size_t kKept = 16 * 1024;
    std::string members = std::move(request.members);
    std::string body = std::move(request.body);
    request = Request {};
    for (std::string* buffer : { &members, &body }) {
        buffer->clear();
        if (buffer->capacity() > kKept)
            std::string().swap(*buffer);
    }
    request.members = std::move(members);
    request.body = std::move(body);
}

void keep(Ended::Value& value, char const* text)
{
    value.set = text != nullptr;
    value.text.assign(text != nullptr ? text : "");
}

// The record, once made: written at once, or, after auditDeferWrites, once
// the reply is out.
struct Pending {
    bool waiting = false;
    bool deferred = false;
    std::string text;
    std::string path;
};

Pending g_pending;

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

// ---- the record's text, written as cJSON prints unformatted JSON ----

void putString(std::string& out, char const* text, size_t length)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    // Runs of characters that need no escape are copied whole.
    size_t plain = 0;
    for (size_t at = 0; at < length; ++at) {
        unsigned char const c = static_cast<unsigned char>(text[at]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(text + plain, at - plain);
        plain = at + 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            char const escaped[] = { '\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15] };
            out.append(escaped, sizeof escaped);
        }
        }
    }
    out.append(text + plain, length - plain);
    out += '"';
}

void putString(std::string& out, char const* text)
{
    putString(out, text, strlen(text));
}

// A value as a string, cut to the record's limit (and at a NUL).
void putValue(std::string& out, char const* text, size_t length)
{
    putString(out, text, strnlen(text, std::min(length, kValueLimit)));
}

// `,"name":` (no comma before an object's first member).
void putName(std::string& out, char const* name)
{
    if (out.back() != '{')
        out += ',';
    putString(out, name);
    out += ':';
}

void putNumber(std::string& out, long value)
{
    BoundedText<24> digits;
    digits.add(value);
    out.append(digits.text, digits.length);
}

// A parsed body value with every secret member's value masked, cut to the
// record's limits: strings to kValueLimit bytes, objects and arrays
// kDepthLimit deep and kMemberLimit members long.
void putMasked(std::string& out, cJSON const* item, int depth)
{
    if (cJSON_IsString(item)) {
        putValue(out, item->valuestring, kValueLimit);
        return;
    }
    // A 32-bit whole number as its digits, which is how cJSON prints it too.
    if (cJSON_IsNumber(item) && item->valuedouble == static_cast<double>(item->valueint)
        && !(item->valueint == 0 && std::signbit(item->valuedouble))) {
        putNumber(out, item->valueint);
        return;
    }
    if (!cJSON_IsObject(item) && !cJSON_IsArray(item)) {
        char printed[64];
        out += cJSON_PrintPreallocated(const_cast<cJSON*>(item), printed, sizeof printed, 0) ? printed : "null";
        return;
    }
    if (depth >= kDepthLimit) {
        out += "null";
        return;
    }
    bool const object = cJSON_IsObject(item);
    out += object ? '{' : '[';
    int count = 0;
    for (cJSON const* child = item->child; child != nullptr && count < kMemberLimit; child = child->next, ++count) {
        if (object) {
            putName(out, child->string != nullptr ? child->string : "");
            if (auditSecret(child->string))
                putString(out, kMasked);
            else
                putMasked(out, child, depth + 1);
        } else {
            if (count > 0)
                out += ',';
            putMasked(out, child, depth + 1);
        }
    }
    out += object ? '}' : ']';
}

// The body's members as an object's text; {} when it is not an object.
void putMembers(std::string& out, cJSON const* object)
{
    if (cJSON_IsObject(object))
        putMasked(out, object, 0);
    else
        out += "{}";
}

// name=value pieces of a query text, secrets masked; values as sent.
void putQuery(std::string& out, char const* query)
{
    out += '{';
    int count = 0;
    for (char const* piece = query; piece != nullptr && *piece != '\0' && count < kMemberLimit; ++count) {
        char const* end = strchr(piece, '&');
        size_t const length = end != nullptr ? static_cast<size_t>(end - piece) : strlen(piece);
        char const* equals = static_cast<char const*>(memchr(piece, '=', length));
        size_t const nameLength = equals != nullptr ? static_cast<size_t>(equals - piece) : length;
        std::string const name(piece, strnlen(piece, std::min(nameLength, kValueLimit)));
        if (!name.empty()) {
            putName(out, name.c_str());
            if (auditSecret(name.c_str()))
                putString(out, kMasked);
            else if (equals != nullptr)
                putValue(out, equals + 1, length - nameLength - 1);
            else
                out += "null";
        }
        piece = end != nullptr ? end + 1 : nullptr;
    }
    out += '}';
}

// A member of the record: its key as the literal text `,"name":`, and a
// string or null.
void putField(std::string& out, char const* key, char const* value)
{
    out += key;
    if (value != nullptr)
        putString(out, value);
    else
        out += "null";
}

void putField(std::string& out, char const* key, Ended::Value const& value)
{
    putField(out, key, value.set ? value.text.c_str() : nullptr);
}

void putField(std::string& out, char const* key, bool known, long number)
{
    out += key;
    if (known)
        putNumber(out, number);
    else
        out += "null";
}

// Digits of a number below 10^width, zeros in front.
void putDigits(std::string& out, long value, int width)
{
    char digits[8];
    for (int at = width - 1; at >= 0; --at, value /= 10)
        digits[at] = static_cast<char>('0' + value % 10);
    out.append(digits, static_cast<size_t>(width));
}

// Milliseconds with three decimals at most, as cJSON prints such a number:
// no zeros at the end of the fraction, no point without one.
void putMilliseconds(std::string& out, long microseconds)
{
    putNumber(out, microseconds / 1000);
    long fraction = microseconds % 1000;
    int width = 3;
    for (; width > 0 && fraction % 10 == 0; --width)
        fraction /= 10;
    if (width > 0) {
        out += '.';
        putDigits(out, fraction, width);
    }
}

// Whether the process serves request after request: it began a record
// before this one. What a persistent process keeps open or mapped from one
// record to the next, a one-shot process never sets up.
bool g_persistent = false;

// The time now. In a one-shot process a direct system call where the C
// library's timespec is the kernel's: its fast path through the vDSO costs
// the process two page faults, far more than one system call; a persistent
// process has them behind it and takes the fast path.
timespec now()
{
    timespec when {};
    if (sizeof(when.tv_sec) == sizeof(long) && !g_persistent)
        syscall(SYS_clock_gettime, CLOCK_REALTIME, &when);
    else
        clock_gettime(CLOCK_REALTIME, &when);
    return when;
}

// "2026-12-08T13:44:26.123Z", from the days since 1970 by the civil
// calendar's arithmetic rather than gmtime and strftime, which read the
// time zone's file although UTC needs none.
void putIsoTime(std::string& out, timespec const& when)
{
    long const days = static_cast<long>(when.tv_sec / 86400) - (when.tv_sec % 86400 < 0 ? 1 : 0);
    long const seconds = static_cast<long>(when.tv_sec - days * 86400L);
    long const shifted = days + 719468;
    long const era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    long const dayOfEra = shifted - era * 146097;
    long const yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long const dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long const monthIndex = (5 * dayOfYear + 2) / 153;
    long const day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    long const month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    long const year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    out += '"';
    putDigits(out, year, 4);
    out += '-';
    putDigits(out, month, 2);
    out += '-';
    putDigits(out, day, 2);
    out += 'T';
    putDigits(out, seconds / 3600, 2);
    out += ':';
    putDigits(out, seconds / 60 % 60, 2);
    out += ':';
    putDigits(out, seconds % 60, 2);
    out += '.';
    putDigits(out, when.tv_nsec / 1000000, 3);
    out += "Z\"";
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

// The record of the request that ended, as one line of JSON text.
void writeRecord(std::string& out, Request const& request, Ended const& ended)
{
    out.reserve(1024);
    out.assign("{\"time\":");
    putIsoTime(out, ended.end);
    putField(out, ",\"program\":", ended.program);
    char const* method = ended.method.text.c_str();
    if (strcmp(ended.program, "login_v2.cgi") == 0)
        putField(out, ",\"event\":", loginEvent(method, request));
    putField(out, ",\"user\":", request.hasUser ? request.user : nullptr);
    putField(out, ",\"privilege\":", request.hasUser && request.privilege[0] != '\0' ? request.privilege : nullptr);
    putField(out, ",\"remoteAddr\":", ended.remoteAddr);
    char const* port = ended.remotePort.text.c_str();
    char* portEnd = nullptr;
    long const portNumber = strtol(port, &portEnd, 10);
    putField(out, ",\"remotePort\":", *port != '\0' && *portEnd == '\0' && portNumber >= 0 && portNumber <= 65535,
             portNumber);
    putField(out, ",\"method\":", method);
    out += ",\"path\":";
    if (ended.uri.set)
        putString(out, ended.uri.text.c_str(), std::min<size_t>(strcspn(ended.uri.text.c_str(), "?"), 1023));
    else
        out += "null";
    out += ",\"query\":";
    putQuery(out, ended.query.set ? ended.query.text.c_str() : nullptr);
    out += ",\"members\":";
    if (request.hasMembers) {
        out += request.members;
    } else if (request.hasBody) {
        Json const parsed = jsonParse(request.body.c_str());
        putMembers(out, parsed.get());
    } else {
        out += "{}";
    }
    putField(out, ",\"status\":", request.status != 0, request.status);
    putField(out, ",\"respCode\":", request.hasCode, request.code);
    long const took = static_cast<long>(ended.end.tv_sec - request.start.tv_sec) * 1000000L
                      + static_cast<long>(ended.end.tv_nsec - request.start.tv_nsec) / 1000;
    out += ",\"durationMs\":";
    putMilliseconds(out, std::max(took, 0L));
    out += '}';
}

// ---- sinks ----

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
                         && (!writableByOthers(st) || (st.st_mode & S_ISVTX) != 0);
    if (!trusted) {
        close(fd);
        return -1;
    }
    return fd;
}

// A file in the directory (created 0600 when flags ask for it), never
// through a link: only a regular file of this account with no other name.
int openOwnFile(int dir, char const* name, int flags, struct stat& st)
{
    int fd = openat(dir, name, flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != programUid() || st.st_nlink != 1) {
        close(fd);
        return -1;
    }
    return fd;
}

// The drop counts beside the audit file: two 64-bit counters (file, syslog)
// that every process adds to and takes from atomically, through a shared
// mapping, without a lock to wait for. While nothing is dropped the file
// holds zeros or is absent, and a one-shot process's record costs one read
// of it: it is mapped (and made) only when there is a count to add or to
// take. A persistent process keeps it mapped and reads the counts there.
class DropCounts {
public:
    DropCounts(int dir, std::string name)
        : m_dir(dir)
        , m_name(std::move(name))
    {
        struct stat st {};
        if (m_dir >= 0)
            m_fd.fd = openOwnFile(m_dir, m_name.c_str(), O_RDWR, st);
        if (m_fd.fd >= 0 && pread(m_fd.fd, m_seen, sizeof m_seen, 0) != static_cast<ssize_t>(sizeof m_seen))
            m_seen[kSinkFile] = m_seen[kSinkSyslog] = 0;
    }
    DropCounts(DropCounts const&) = delete;
    DropCounts& operator=(DropCounts const&) = delete;
    ~DropCounts()
    {
        if (m_counts != nullptr)
            munmap(m_counts, kSize);
    }

    // Mapped from now on (made when absent), for record after record.
    void keep() { m_kept = mapped(); }

    uint64_t take(Sink sink)
    {
        uint64_t const own = g_dropped[sink];
        g_dropped[sink] = 0;
        if ((m_seen[sink] == 0 && !m_kept) || !mapped())
            return own;
        return own + std::atomic_ref<uint64_t>(m_counts[sink]).exchange(0);
    }
    void add(Sink sink, uint64_t count)
    {
        if (mapped())
            std::atomic_ref<uint64_t>(m_counts[sink]).fetch_add(count);
        else
            g_dropped[sink] += count;
    }

private:
    bool mapped()
    {
        if (m_counts != nullptr || m_dir < 0)
            return m_counts != nullptr;
        struct stat st {};
        if (m_fd.fd < 0)
            m_fd.fd = openOwnFile(m_dir, m_name.c_str(), O_RDWR | O_CREAT, st);
        else if (fstat(m_fd.fd, &st) != 0)
            return false;
        if (m_fd.fd < 0 || (st.st_size < static_cast<off_t>(kSize) && ftruncate(m_fd.fd, kSize) != 0))
            return false;
        void* mapping = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd.fd, 0);
        if (mapping != MAP_FAILED)
            m_counts = static_cast<uint64_t*>(mapping);
        return m_counts != nullptr;
    }

    static constexpr size_t kSize = 2 * sizeof(uint64_t);
    int m_dir;
    std::string m_name;
    OwnedFd m_fd;
    uint64_t m_seen[2] = {};
    uint64_t* m_counts = nullptr;
    bool m_kept = false;
};

// The record's line as it goes to a sink: the text printed once, with
// `,"dropped":N` before its closing brace when the sink missed records,
// and what follows it; gathered for one write.
struct Line {
    BoundedText<24> dropped;
    iovec pieces[4] {};
    int count = 0;
    size_t size = 0;

    Line(char const* head, std::string const& record, uint64_t missed, char const* tail)
    {
        size_t body = record.size();
        addPiece(head, strlen(head));
        if (missed != 0 && body > 0) {
            dropped.add(",\"dropped\":");
            dropped.add(static_cast<long>(std::min<uint64_t>(missed, LONG_MAX)));
            dropped.add("}");
            addPiece(record.data(), body - 1);
            addPiece(dropped.text, dropped.length);
        } else {
            addPiece(record.data(), body);
        }
        addPiece(tail, strlen(tail));
    }
    Line(Line const&) = delete;
    Line& operator=(Line const&) = delete;
    void addPiece(char const* data, size_t length)
    {
        if (length == 0)
            return;
        pieces[count++] = iovec { const_cast<char*>(data), length };
        size += length;
    }
};

// Whether the name in the directory still names the open file (another
// process may have rotated it away); st gets the file's status.
bool stillNamed(int dir, char const* name, int fd, struct stat& st)
{
    struct stat named {};
    return fstat(fd, &st) == 0 && fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == st.st_ino
           && named.st_dev == st.st_dev;
}

// Once the file holds kAuditRotateSize bytes, the one process that gets its
// lock (without waiting) renames it, if the name still names it; the next
// record starts a new file.
void rotateIfFull(int dir, int fd, char const* name, off_t size)
{
    if (size < kAuditRotateSize || flock(fd, LOCK_EX | LOCK_NB) != 0)
        return;
    struct stat st {};
    if (stillNamed(dir, name, fd, st))
        renameat(dir, name, dir, (std::string(name) + ".1").c_str());
    flock(fd, LOCK_UN);
}

// Where the web server names the file: its directory and the file, held
// open for the process (a persistent one keeps them from record to record);
// no directory when it names none or one that cannot hold it.
struct FilePlace {
    std::string path;
    OwnedFd dir;
    std::string name;
    OwnedFd file;
    // Counts each time it is aimed elsewhere.
    unsigned aimed = 0;
    dev_t fileDevice = 0;
    ino_t fileInode = 0;

    // Aimed at the path the web server names now, the directory opened
    // again only when it names another.
    void aim(std::string const& full)
    {
        if (full == path && dir.fd >= 0)
            return;
        path = full;
        ++aimed;
        file.reset();
        dir.reset();
        size_t const slash = path.rfind('/');
        name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (!name.empty())
            dir.reset(openAuditDir(slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash)));
    }
    // The file open and still under its name, with its size; -1 when it
    // cannot be had. An open file is the one its name names while the name
    // leads to the device and inode it had when it was opened.
    int open(off_t& size)
    {
        struct stat st {};
        if (file.fd >= 0
            && (fstatat(dir.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || st.st_dev != fileDevice
                || st.st_ino != fileInode))
            file.reset();
        if (file.fd < 0 && dir.fd >= 0) {
            file.reset(openOwnFile(dir.fd, name.c_str(), O_WRONLY | O_APPEND | O_CREAT, st));
            fileDevice = st.st_dev;
            fileInode = st.st_ino;
        }
        size = st.st_size;
        return file.fd;
    }
};

FilePlace g_place;

void toFile(FilePlace& place, std::string const& record, DropCounts& counts)
{
    off_t size = 0;
    int const fd = place.open(size);
    uint64_t const dropped = counts.take(kSinkFile);
    Line const line("", record, dropped, "\n");
    // One write, so that the lines of processes writing at once never mix.
    if (fd < 0 || writev(fd, line.pieces, line.count) != static_cast<ssize_t>(line.size)) {
        counts.add(kSinkFile, dropped + 1);
        return;
    }
    rotateIfFull(place.dir.fd, fd, place.name.c_str(), size + static_cast<off_t>(line.size));
}

// syslog's datagram, sent without waiting on a socket kept for the process
// and connected to the syslog socket once: a receiver that is missing or
// full costs a refused send, never a wait; one that went away is looked
// for again at the next record.
// It carries no time stamp: the receiver stamps a message that has none
// with the time it arrived (rsyslog, journald and BusyBox's syslogd all
// do), and a stamp of local time would cost every process a read of the
// time zone's file.
void toSyslog(std::string const& record, DropCounts& counts)
{
    static OwnedFd sock;
    static bool connected = false;
    static BoundedText<64> head;
    if (head.length == 0) {
        head = BoundedText<64>("<");
        head.add(long { LOG_AUTHPRIV | LOG_INFO });
        head.add(">");
        head.add(kAuditIdent);
        head.add("[");
        head.add(static_cast<long>(getpid()));
        head.add("]: ");
    }
    if (!connected) {
        if (sock.fd < 0)
            sock.fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        memcpy(address.sun_path, _PATH_LOG, sizeof _PATH_LOG);
        connected = sock.fd >= 0 && connect(sock.fd, reinterpret_cast<sockaddr const*>(&address), sizeof address) == 0;
    }
    uint64_t const dropped = counts.take(kSinkSyslog);
    Line const line(head.text, record, dropped, "");
    ssize_t const sent = connected ? writev(sock.fd, line.pieces, line.count) : -1;
    if (sent == static_cast<ssize_t>(line.size))
        return;
    counts.add(kSinkSyslog, dropped + 1);
    // A full receiver keeps its socket; a gone one is connected anew.
    if (connected && errno != EAGAIN && errno != ENOBUFS) {
        sock.reset();
        connected = false;
    }
}

// The pending record made and taken to its sinks. The drop counts of both
// live beside the file; without one, in the process.
void writePending()
{
    if (!g_pending.waiting)
        return;
    g_pending.waiting = false;
    writeRecord(g_pending.text, g_request, g_ended);
    g_place.aim(g_pending.path);
    // A persistent process keeps the counts' mapping for the directory it
    // writes to.
    static std::optional<DropCounts> kept;
    static unsigned keptFor = 0;
    std::optional<DropCounts> once;
    std::optional<DropCounts>& counts = g_persistent ? kept : once;
    if (!counts || (g_persistent && keptFor != g_place.aimed)) {
        keptFor = g_place.aimed;
        counts.reset();
        counts.emplace(g_place.dir.fd, g_place.name + ".dropped");
        if (g_persistent)
            counts->keep();
    }
    if (!g_pending.path.empty())
        toFile(g_place, g_pending.text, *counts);
    toSyslog(g_pending.text, *counts);
    if (g_pending.text.capacity() > 16 * 1024)
        std::string().swap(g_pending.text);
}

// Whether text holds word (ASCII letters in any case).
bool containsIgnoringCase(char const* text, char const* word)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *text != '\0'; ++text) {
        size_t at = 0;
        while (word[at] != '\0' && lower(text[at]) == lower(word[at]))
            ++at;
        if (word[at] == '\0')
            return true;
    }
    return false;
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
    static bool begun = false;
    g_persistent = begun;
    begun = true;
    writePending();
    clearRequest(g_request);
    g_request.open = true;
    g_request.start = now();
}

// The request's end noted, with what the record keeps of its environment;
// the record itself is made when it is written, after the reply when writes
// are deferred.
void auditEnd(char const* program, int unanswered)
{
    if (!g_request.open)
        return;
    g_request.open = false;
    char const* method = getenv("REQUEST_METHOD");
    if (changesNothing(method))
        return;
    g_ended.end = now();
    g_ended.program = program;
    if (g_request.status == 0)
        g_request.status = unanswered;
    keep(g_ended.method, method);
    keep(g_ended.remoteAddr, getenv("REMOTE_ADDR"));
    keep(g_ended.remotePort, getenv("REMOTE_PORT"));
    keep(g_ended.uri, getenv("REQUEST_URI"));
    keep(g_ended.query, getenv("QUERY_STRING"));
    char const* path = getenv(kAuditFileEnv);
    g_pending.path.assign(path != nullptr ? path : "");
    g_pending.waiting = true;
    if (!g_pending.deferred)
        writePending();
}

void auditDeferWrites()
{
    g_pending.deferred = true;
}

void auditWritePending()
{
    writePending();
}

void auditSession(char const* userLine, char const* privilegeLine)
{
    if (!g_request.open)
        return;
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
    if (!g_request.open)
        return;
    copyLine(g_request.user, user);
    copyLine(g_request.privilege, privilege != nullptr ? privilege : "");
    g_request.hasUser = user != nullptr;
}

void auditMembers(cJSON const* object)
{
    if (!g_request.open)
        return;
    g_request.bodyNoted = true;
    g_request.hasMembers = true;
    g_request.members.clear();
    putMembers(g_request.members, object);
}

// The body's text kept, to be parsed when the record is made.
void auditBody(char const* text)
{
    if (!g_request.open)
        return;
    g_request.bodyNoted = true;
    g_request.hasBody = text != nullptr;
    g_request.body.assign(text != nullptr ? text : "");
}

bool auditBodyWanted()
{
    return g_request.open && !g_request.bodyNoted;
}

void auditStatus(int status)
{
    if (!g_request.open)
        return;
    g_request.status = status;
}

void auditResponseCode(int32_t code)
{
    if (!g_request.open)
        return;
    g_request.code = code;
    g_request.hasCode = true;
    if (g_request.status == 0)
        g_request.status = 200;
}

void auditEvent(char const* event)
{
    if (!g_request.open)
        return;
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
        if (name != nullptr && containsIgnoringCase(name, secret))
            return true;
    return false;
}
