// The stand-in's machinery: the state file, the call trace and forced results.
#include "sim.h"

#include "ip_text.h"
#include "state_print.h"
#include "state_text.h"
#include "text_digest.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <span>
#include <vector>

namespace sim {
namespace {

constexpr char kDefaultStatePath[] = "/tmp/swsim/state.json";

std::string statePath()
{
    char const* path = getenv("SWSIM_STATE");
    return path != nullptr && path[0] != '\0' ? path : kDefaultStatePath;
}

void makeParents(std::string const& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0777);
}

// The directory part of a path and its last component.
std::pair<std::string, std::string> splitPath(std::string const& path)
{
    size_t const slash = path.rfind('/');
    if (slash == std::string::npos)
        return { ".", path };
    return { slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1) };
}

// Removes, from the directory dir, the new files ("<name>.tmp.<pid>") that
// writers killed before their rename left beside the state file. A file
// whose process still runs is being written and stays. The entries are read
// straight into a buffer here, a few at a time (not inlined: the buffer is on
// the stack only while this runs).
[[gnu::noinline]] void removeStaleTemporaries(int dir, std::string const& name)
{
    std::string const prefix = name + ".tmp.";
    alignas(dirent64) char entries[2048];
    for (;;) {
        ssize_t const length = getdents64(dir, entries, sizeof entries);
        if (length <= 0)
            return;
        for (ssize_t at = 0; at < length;) {
            auto const* entry = reinterpret_cast<dirent64 const*>(entries + at);
            at += entry->d_reclen;
            char const* pidText = entry->d_name;
            if (strncmp(pidText, prefix.c_str(), prefix.size()) != 0)
                continue;
            pidText += prefix.size();
            char* end = nullptr;
            errno = 0;
            long const pid = strtol(pidText, &end, 10);
            if (pidText[0] < '1' || pidText[0] > '9' || *end != '\0' || errno != 0 || pid > INT32_MAX)
                continue;
            if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
                unlinkat(dir, entry->d_name, 0);
        }
    }
}

// The attribute a state file is given as the stand-in writes it: the digest
// of its text and where each member lies in it,
// "<digest> <nameAt>,<nameEnd>,<valueAt>,<valueEnd> ...". A later reader
// that finds the text's digest unchanged takes the members from it rather
// than scanning the whole text again.
constexpr char kIndexAttribute[] = "user.swsim.index";
// A build without the index (MGMT_SIM_INDEX=OFF, to measure what it saves)
// scans every text it reads and gives no file the attribute.
#ifdef MGMT_SIM_INDEX_OFF
constexpr bool kIndexed = false;
#else
constexpr bool kIndexed = true;
#endif
// Room for the attribute of a state of many more sections than the
// stand-in keeps; a longer one is not read.
constexpr size_t kIndexAttributeRoom = 1024;

std::string indexAttribute(std::string const& digest, std::span<StateText::Place const> places)
{
    std::string attribute = digest;
    char number[24];
    for (StateText::Place const& place : places) {
        char separator = ' ';
        for (size_t const at : { place.nameAt, place.nameEnd, place.valueAt, place.valueEnd }) {
            attribute += separator;
            attribute.append(number, std::to_chars(number, number + sizeof number, at).ptr);
            separator = ',';
        }
    }
    return attribute;
}

// The digest and the places of an attribute; false for any other text.
bool readIndexAttribute(std::string_view attribute, std::string_view& digest, std::vector<StateText::Place>& places)
{
    digest = attribute.substr(0, attribute.find(' '));
    char const* p = attribute.data() + digest.size();
    char const* const end = attribute.data() + attribute.size();
    while (p != end) {
        std::array<size_t, 4> at {};
        for (size_t i = 0; i < at.size(); ++i) {
            if (p == end || *p != (i == 0 ? ' ' : ','))
                return false;
            auto const [next, error] = std::from_chars(p + 1, end, at[i]);
            if (error != std::errc())
                return false;
            p = next;
        }
        places.push_back({ at[0], at[1], at[2], at[3] });
    }
    return true;
}

// A descriptor closed as it goes out of scope.
class OwnedFd {
public:
    explicit OwnedFd(int descriptor)
        : fd(descriptor)
    {
    }
    OwnedFd(OwnedFd const&) = delete;
    OwnedFd& operator=(OwnedFd const&) = delete;
    ~OwnedFd()
    {
        if (fd >= 0)
            close(fd);
    }

    int const fd;
};

// Writes the pieces one after the other, in one call when the system takes
// them whole.
bool writePieces(int fd, std::span<iovec const> pieces)
{
    std::vector<iovec> left(pieces.begin(), pieces.end());
    size_t first = 0;
    for (;;) {
        while (first < left.size() && left[first].iov_len == 0)
            ++first;
        if (first == left.size())
            return true;
        int const count = static_cast<int>(std::min<size_t>(left.size() - first, IOV_MAX));
        ssize_t const written = writev(fd, left.data() + first, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        // Past what was written: whole pieces, and the start of the next.
        for (auto done = static_cast<size_t>(written); done > 0;) {
            size_t const taken = std::min(done, left[first].iov_len);
            left[first].iov_base = static_cast<char*>(left[first].iov_base) + taken;
            left[first].iov_len -= taken;
            done -= taken;
            if (left[first].iov_len == 0)
                ++first;
        }
    }
}


// The state file this process has open: kept between calls, so that a call
// on the same file locks it and looks at the path, without opening and
// closing it again. Closed by the teardown call (releaseState).
struct OpenStateFile {
    std::string path;
    int fd = -1;
    dev_t dev = 0;
    ino_t ino = 0;

    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        path.clear();
    }
};

OpenStateFile& openStateFile()
{
    static OpenStateFile file;
    return file;
}

int lockWaiting(int fd, int operation)
{
    int rc;
    do
        rc = flock(fd, operation);
    while (rc != 0 && errno == EINTR);
    return rc;
}

// The locked state file. The lock is taken on the file the path names at the
// moment the lock is held: a writer replaces the file by renaming a complete
// new one over it, so a reader that locked the old one opens the path again.
class LockedState {
public:
    explicit LockedState(std::string path)
        : m_path(std::move(path))
    {
        // The file this process has open, while the path still names it: the
        // path, looked at under the lock, tells its size and time stamps too.
        OpenStateFile& open = openStateFile();
        if (open.fd >= 0 && open.path == m_path) {
            struct stat named {};
            if (lockWaiting(open.fd, LOCK_EX) == 0 && stat(m_path.c_str(), &named) == 0 && named.st_ino == open.ino
                && named.st_dev == open.dev) {
                m_fd = open.fd;
                m_held = named;
                return;
            }
        }
        open.close(); // releases its lock
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            if (m_fd < 0 && errno == ENOENT) {
                makeParents(m_path);
                m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            }
            if (m_fd < 0)
                return;
            int const rc = lockWaiting(m_fd, LOCK_EX);
            struct stat named {};
            if (rc == 0 && fstat(m_fd, &m_held) == 0 && stat(m_path.c_str(), &named) == 0
                && m_held.st_ino == named.st_ino && m_held.st_dev == named.st_dev) {
                open.path = m_path;
                open.fd = m_fd;
                open.dev = m_held.st_dev;
                open.ino = m_held.st_ino;
                return;
            }
            ::close(m_fd);
            m_fd = -1;
        }
    }
    LockedState(LockedState const&) = delete;
    LockedState& operator=(LockedState const&) = delete;
    ~LockedState()
    {
        if (m_fd >= 0 && lockWaiting(m_fd, LOCK_UN) != 0)
            openStateFile().close(); // closing releases the lock
    }

    bool locked() const { return m_fd >= 0; }
    std::string const& path() const { return m_path; }
    // The file as it was when the lock was taken.
    struct stat const& held() const { return m_held; }

    // The whole file; an empty file reads as "". Read in place, in the size
    // the file had when locked and one byte more to see its end.
    bool read(std::string& content) const
    {
        content.resize(static_cast<size_t>(std::max<off_t>(m_held.st_size, 0)) + 1);
        size_t length = 0;
        for (;;) {
            if (length == content.size())
                content.resize(content.size() * 2);
            ssize_t n = pread(m_fd, content.data() + length, content.size() - length, static_cast<off_t>(length));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            bool const end = static_cast<size_t>(n) < content.size() - length; // a short read met the end
            length += static_cast<size_t>(n);
            if (end)
                break;
        }
        content.resize(length);
        return true;
    }

    // The text, indexed as the stand-in found it when it wrote the file, while
    // the file still holds that very text; none otherwise, and content left
    // as it was. Not inlined: its buffer is on the stack only while it runs,
    // not under every call's own work.
    [[gnu::noinline]] std::unique_ptr<StateText> indexAsWritten(std::string& content) const
    {
        char attribute[kIndexAttributeRoom];
        ssize_t const length = fgetxattr(m_fd, kIndexAttribute, attribute, sizeof attribute);
        std::string_view digest;
        std::vector<StateText::Place> places;
        if (length <= 0 || !readIndexAttribute({ attribute, static_cast<size_t>(length) }, digest, places))
            return nullptr;
        TextDigest actual;
        actual.add(content);
        if (actual.text() != digest)
            return nullptr;
        return StateText::placed(content, places);
    }

    // Written to a new file beside it and renamed over it, so no reader ever
    // sees half of a change. The new file is given the attribute of its
    // members' places, where the file system keeps one. written: the new file
    // as it is in place, or all zero when that cannot be told.
    bool replace(std::span<iovec const> content, std::span<StateText::Place const> places,
                 struct stat& written) const
    {
        written = {};
        // The directory, open once: for the stale new files in it, and to
        // make the rename into it durable.
        auto const [dirPath, name] = splitPath(m_path);
        OwnedFd const dir { open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) };
        if (dir.fd >= 0)
            removeStaleTemporaries(dir.fd, name);
        std::string temp = m_path + ".tmp." + std::to_string(getpid());
        OwnedFd const file { open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666) };
        int const fd = file.fd;
        if (fd < 0)
            return false;
        bool ok = writePieces(fd, content);
        if (ok && kIndexed && !places.empty()) {
            TextDigest digest;
            for (iovec const& piece : content)
                digest.add({ static_cast<char const*>(piece.iov_base), piece.iov_len });
            std::string const attribute = indexAttribute(digest.text(), places);
            fsetxattr(fd, kIndexAttribute, attribute.data(), attribute.size(), 0); // without it, the next reader scans
        }
        // A switch keeps its settings through a power cut: the new file's
        // content is on disk before it takes the name, and the name after.
        if (!ok || fsync(fd) != 0 || rename(temp.c_str(), m_path.c_str()) != 0) {
            unlink(temp.c_str());
            return false;
        }
        // The rename changes the file's time stamps, so they are read after
        // it. Should another hand replace the file meanwhile, the next call
        // finds the path naming another file and reads that.
        if (fstat(fd, &written) != 0)
            written = {};
        if (dir.fd >= 0)
            fsync(dir.fd);
        return true;
    }

private:
    std::string m_path;
    int m_fd = -1;
    struct stat m_held {};
};

#ifdef SWSIM_STATE_IN_MEMORY
// The fuzzing build keeps the state file in the process's memory: its text
// under its path, the places of its members as the stand-in wrote them (the
// attribute a file is given), and a generation that stands for the file's
// identity, new with every replacement. Everything above the file (the
// index, the cache, the splice) runs as on a file; only the file work is gone.
struct MemoryFile {
    std::string path;
    std::string content;
    std::vector<StateText::Place> places;
    ino_t generation = 1;

    void empty()
    {
        content.clear();
        places.clear();
        ++generation;
    }
};

MemoryFile& memoryFile()
{
    static MemoryFile& file = *new MemoryFile;
    return file;
}

// The memory file as LockedState gives a file: one process, so the lock is
// always had; another path than the last one starts as an empty file.
class MemoryState {
public:
    explicit MemoryState(std::string path)
        : m_path(std::move(path))
    {
        MemoryFile& file = memoryFile();
        if (file.path != m_path) {
            file.path = m_path;
            file.empty();
        }
        m_held.st_ino = file.generation;
        m_held.st_size = static_cast<off_t>(file.content.size());
    }

    bool locked() const { return true; }
    std::string const& path() const { return m_path; }
    struct stat const& held() const { return m_held; }

    bool read(std::string& content) const
    {
        content = memoryFile().content;
        return true;
    }

    // Nothing but the stand-in writes the memory file, so its text is always
    // the one the places were made for: no digest to compare.
    std::unique_ptr<StateText> indexAsWritten(std::string& content) const
    {
        MemoryFile const& file = memoryFile();
        return file.places.empty() ? nullptr : StateText::placed(content, file.places);
    }

    bool replace(std::span<iovec const> content, std::span<StateText::Place const> places,
                 struct stat& written) const
    {
        MemoryFile& file = memoryFile();
        file.empty();
        for (iovec const& piece : content)
            file.content.append(static_cast<char const*>(piece.iov_base), piece.iov_len);
        file.places.assign(places.begin(), places.end());
        written = {};
        written.st_ino = file.generation;
        written.st_size = static_cast<off_t>(file.content.size());
        return true;
    }

private:
    std::string m_path;
    struct stat m_held {};
};

using StateFile = MemoryState;
#else
using StateFile = LockedState;
#endif

// The state as this process last read or wrote it. One request makes several
// calls (registration, version queries, the handler's own); while the file
// is the very one the tree came from, a call takes the tree instead of
// parsing the file again. Every change replaces the file, so a change by any
// other process gives a file of another identity.
struct StateCache {
    Json root;
    std::unique_ptr<StateText> text; // set while root holds only some sections
    std::string path;
    struct stat file {};
    // The members the last call read alone; when they are all taken, that
    // call parses sections. Dropped as the next call starts, so the last
    // call of a process leaves them to the end of the process.
    std::array<Json, 4> members;
    size_t memberCount = 0;

    void dropMembers()
    {
        for (size_t i = 0; i < memberCount; ++i)
            members[i].reset();
        memberCount = 0;
    }

    bool holds(StateFile const& locked) const
    {
        struct stat const& now = locked.held();
        return root && path == locked.path() && now.st_dev == file.st_dev && now.st_ino == file.st_ino
               && now.st_size == file.st_size && now.st_mtim.tv_sec == file.st_mtim.tv_sec
               && now.st_mtim.tv_nsec == file.st_mtim.tv_nsec && now.st_ctim.tv_sec == file.st_ctim.tv_sec
               && now.st_ctim.tv_nsec == file.st_ctim.tv_nsec;
    }
};

// Made once and never destroyed: what it holds at the end of the process goes
// with the process, without a walk over every node to free it.
StateCache& stateCache()
{
    static StateCache& cache = *new StateCache;
    return cache;
}

// Adds every section the state lacks, with its factory defaults.
bool completeSections(State& state)
{
    for (Section const& section : sections()) {
        if (cJSON_GetObjectItemCaseSensitive(state.root, section.name) != nullptr)
            continue;
        Json defaults(cJSON_Parse(section.defaults));
        if (!defaults || !jsonAdd(state.root, section.name, std::move(defaults)))
            return false;
        state.changed = true;
    }
    return true;
}

// ---- trace ----

Json intJson(Arg const& arg)
{
    if (arg.ptr == nullptr)
        return Json(cJSON_CreateNull());
    double value = 0;
    switch (arg.intBytes) {
    case 1: value = arg.isSigned ? *static_cast<int8_t*>(arg.ptr) : *static_cast<uint8_t*>(arg.ptr); break;
    case 2: value = arg.isSigned ? *static_cast<int16_t*>(arg.ptr) : *static_cast<uint16_t*>(arg.ptr); break;
    case 4: value = arg.isSigned ? *static_cast<int32_t*>(arg.ptr) : *static_cast<uint32_t*>(arg.ptr); break;
    default: value = arg.isSigned ? static_cast<double>(*static_cast<int64_t*>(arg.ptr))
                                  : static_cast<double>(*static_cast<uint64_t*>(arg.ptr));
    }
    return Json(cJSON_CreateNumber(value));
}

Json textJson(OpenBuffDesc const* desc)
{
    if (desc == nullptr)
        return Json(cJSON_CreateNull());
    Json object(cJSON_CreateObject());
    jsonAdd(object.get(), "size", Json(cJSON_CreateNumber(desc->size)));
    jsonAdd(object.get(), "text", Json(cJSON_CreateString(readText(desc).c_str())));
    return object;
}

Json addrJson(OpenInetAddr const* addr)
{
    if (addr == nullptr)
        return Json(cJSON_CreateNull());
    Json object(cJSON_CreateObject());
    jsonAdd(object.get(), "family", Json(cJSON_CreateNumber(addr->family)));
    jsonAdd(object.get(), "addr", Json(cJSON_CreateString(addrText(*addr).c_str())));
    return object;
}

// The event subscription block: 12-byte entries of three 32-bit numbers.
Json eventsJson(OpenBuffDesc const* desc)
{
    if (desc == nullptr)
        return Json(cJSON_CreateNull());
    Json object(cJSON_CreateObject());
    jsonAdd(object.get(), "size", Json(cJSON_CreateNumber(desc->size)));
    Json entries(cJSON_CreateArray());
    for (uint32_t offset = 0; desc->pstart != nullptr && offset + 12 <= desc->size; offset += 12) {
        uint32_t fields[3];
        memcpy(fields, desc->pstart + offset, sizeof fields);
        Json entry(cJSON_CreateArray());
        for (uint32_t field : fields)
            cJSON_AddItemToArray(entry.get(), cJSON_CreateNumber(field));
        cJSON_AddItemToArray(entries.get(), entry.release());
    }
    jsonAdd(object.get(), "entries", std::move(entries));
    return object;
}

Json argJson(Arg const& arg)
{
    switch (arg.kind) {
    case ArgKind::Number: return Json(cJSON_CreateNumber(arg.number));
    case ArgKind::Int: return intJson(arg);
    case ArgKind::CString:
        return arg.ptr != nullptr ? Json(cJSON_CreateString(static_cast<char const*>(arg.ptr))) : Json(cJSON_CreateNull());
    case ArgKind::Text: return textJson(static_cast<OpenBuffDesc const*>(arg.ptr));
    case ArgKind::Addr: return addrJson(static_cast<OpenInetAddr const*>(arg.ptr));
    case ArgKind::Record:
        return arg.ptr != nullptr ? arg.codec->toJson(arg.ptr) : Json(cJSON_CreateNull());
    case ArgKind::Events: return eventsJson(static_cast<OpenBuffDesc const*>(arg.ptr));
    case ArgKind::Revision: return Json(cJSON_CreateObject());
    }
    return Json(cJSON_CreateNull());
}

// The trace line of a call, taken before the call changes anything.
std::string traceLine(char const* name, std::span<Arg const> args)
{
    Json line(cJSON_CreateObject());
    jsonAdd(line.get(), "call", Json(cJSON_CreateString(name)));
    Json list(cJSON_CreateArray());
    for (Arg const& arg : args)
        cJSON_AddItemToArray(list.get(), argJson(arg).release());
    jsonAdd(line.get(), "args", std::move(list));
    JsonText printed(cJSON_PrintUnformatted(line.get()));
    return printed ? std::string(printed.get()) + "\n" : std::string();
}

void appendTrace(char const* path, std::string const& line)
{
    if (path == nullptr || line.empty())
        return;
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    ssize_t n;
    do
        n = write(fd, line.data(), line.size()); // one write, so concurrent lines never interleave
    while (n < 0 && errno == EINTR);
    close(fd);
}

// ---- forced results ----

cJSON const* faults()
{
    static Json parsed = [] {
        char const* text = getenv("SWSIM_FAULTS");
        return Json(text != nullptr ? cJSON_Parse(text) : nullptr);
    }();
    return parsed.get();
}

template <typename T>
void storeInt(void* p, double value)
{
    if (std::isnan(value))
        value = 0;
    auto const wide = static_cast<long long>(std::fmax(-9.2e18, std::fmin(9.2e18, value)));
    *static_cast<T*>(p) = static_cast<T>(wide);
}

void writeOutput(Arg const& arg, cJSON const* value)
{
    if (arg.ptr == nullptr || value == nullptr)
        return;
    switch (arg.kind) {
    case ArgKind::Int:
        if (!cJSON_IsNumber(value))
            return;
        switch (arg.intBytes) {
        case 1: storeInt<uint8_t>(arg.ptr, value->valuedouble); break;
        case 2: storeInt<uint16_t>(arg.ptr, value->valuedouble); break;
        case 4: storeInt<uint32_t>(arg.ptr, value->valuedouble); break;
        default: storeInt<uint64_t>(arg.ptr, value->valuedouble);
        }
        return;
    case ArgKind::Text:
        if (cJSON_IsString(value))
            writeText(static_cast<OpenBuffDesc*>(arg.ptr), value->valuestring);
        return;
    case ArgKind::Addr:
        if (cJSON_IsObject(value))
            *static_cast<OpenInetAddr*>(arg.ptr) = addrFromText(u32(value, "family"), text(value, "addr"));
        return;
    case ArgKind::Record:
        if (cJSON_IsObject(value))
            arg.codec->fromJson(arg.ptr, value);
        return;
    case ArgKind::Revision:
        if (cJSON_IsObject(value)) {
            auto* r = static_cast<OpenRevisionData*>(arg.ptr);
            r->release = static_cast<uint8_t>(u32(value, "release"));
            r->version = static_cast<uint8_t>(u32(value, "version"));
            r->maint_level = static_cast<uint8_t>(u32(value, "maint_level"));
            r->build_num = static_cast<uint8_t>(u32(value, "build_num"));
        }
        return;
    case ArgKind::Number:
    case ArgKind::CString:
    case ArgKind::Events: return;
    }
}

// The forced result for this call, when SWSIM_FAULTS names it and its
// "times" are not used up; the outputs are written here.
bool forcedResult(char const* name, std::span<Arg const> args, int& result)
{
    cJSON const* entry = cJSON_GetObjectItemCaseSensitive(faults(), name);
    if (entry == nullptr)
        return false;
    if (cJSON_IsNumber(entry)) {
        result = static_cast<int>(entry->valuedouble);
        return true;
    }
    if (!cJSON_IsObject(entry))
        return false;
    static std::map<std::string, long> served;
    cJSON const* times = cJSON_GetObjectItemCaseSensitive(entry, "times");
    if (cJSON_IsNumber(times) && served[name] >= static_cast<long>(times->valuedouble))
        return false;
    ++served[name];

    cJSON const* outs = cJSON_GetObjectItemCaseSensitive(entry, "out");
    cJSON const* value = cJSON_IsArray(outs) ? outs->child : nullptr;
    for (Arg const& arg : args) {
        if (value == nullptr)
            break;
        if (!arg.output)
            continue;
        writeOutput(arg, value);
        value = value->next;
    }
    result = static_cast<int>(number(entry, "result", 0));
    return true;
}

// Every section the stand-in keeps is in the text.
bool holdsEverySection(StateText const& text)
{
    for (Section const& section : sections())
        if (!text.has(section.name))
            return false;
    return true;
}

// The locked file's state: the cached one while the file is unchanged. A
// plain state file with every section is indexed (a file the stand-in wrote,
// unchanged since, as it was when written), and its sections parsed as
// calls ask for them; any other file is parsed whole and completed with the
// missing sections. False for a file that cannot be read or is not a JSON
// object; such a file is left as it is.
bool loadState(StateFile const& file, Json& root, std::unique_ptr<StateText>& text, State& state)
{
    StateCache& cache = stateCache();
    if (cache.holds(file)) {
        root = std::move(cache.root);
        text = std::move(cache.text);
        return true;
    }
    cache.root.reset();
    cache.text.reset();
    std::string content;
    if (!file.read(content))
        return false;
    if (kIndexed)
        text = file.indexAsWritten(content);
    if (!text)
        text = StateText::index(std::move(content));
    if (text->plain() && holdsEverySection(*text)) {
        root.reset(cJSON_CreateObject());
        return root != nullptr;
    }
    bool const empty = text->content().empty();
    root.reset(empty ? cJSON_CreateObject() : cJSON_Parse(text->content().c_str()));
    text.reset();
    if (!cJSON_IsObject(root.get()))
        return false;
    state.root = root.get();
    state.changed = empty;
    return completeSections(state);
}

// A piece of text to be written, as it stands in memory.
iovec piece(std::string_view text)
{
    return { const_cast<char*>(text.data()), text.size() };
}

// The whole state for a change to be written, while only the sections a
// call read are parsed: the file's members in their order, each parsed
// section printed anew in its place and every other member's text as it
// stands, as pieces to be written one after the other (no copy of the
// file's text is made). Printed whole, a section at the second level differs
// from its own print only by one more tab after each line break (a string's
// line breaks are printed escaped), so for a file this stand-in wrote the
// result is byte for byte the print of the whole tree, without parsing and
// printing the sections no call read; those of a file written by hand keep
// its layout.
struct SplicedState {
    std::vector<std::string> printed;      // the sections printed anew
    std::vector<iovec> pieces;             // the whole file, its last line break included
    std::vector<StateText::Place> places;  // where its members lie
};

bool splice(StateText const& text, cJSON* parsed, SplicedState& whole)
{
    std::span<StateText::Member const> const members = text.members();
    std::vector<size_t> printedFor(members.size(), SIZE_MAX);
    for (size_t m = 0; m < members.size(); ++m) {
        std::string const name(members[m].name);
        cJSON* section = cJSON_GetObjectItemCaseSensitive(parsed, name.c_str());
        if (section == nullptr || text.find(members[m].name) != &members[m])
            continue;
        JsonText printed = printState(section);
        if (!printed)
            return false;
        std::string& indented = whole.printed.emplace_back();
        for (char const* c = printed.get(); *c != '\0'; ++c) {
            indented += *c;
            if (*c == '\n')
                indented += '\t';
        }
        printedFor[m] = whole.printed.size() - 1;
    }
    whole.pieces.reserve(members.size() * 4 + 2);
    whole.places.reserve(members.size());
    size_t at = 0;
    auto const add = [&](std::string_view text) {
        whole.pieces.push_back(piece(text));
        at += text.size();
    };
    add("{");
    for (size_t m = 0; m < members.size(); ++m) {
        StateText::Place& place = whole.places.emplace_back();
        add(m == 0 ? "\n\t\"" : ",\n\t\"");
        place.nameAt = at;
        add(members[m].name);
        place.nameEnd = at;
        add("\":\t");
        place.valueAt = at;
        add(printedFor[m] == SIZE_MAX ? members[m].value : whole.printed[printedFor[m]]);
        place.valueEnd = at;
    }
    add("\n}\n");
    return true;
}

int runOnState(int (*body)(void*, State*), void* context)
{
    stateCache().dropMembers();
    StateFile file(statePath());
    if (!file.locked())
        return kFail;
    State state;
    Json root;
    std::unique_ptr<StateText> text;
    if (!loadState(file, root, text, state))
        return kFail;
    state.root = root.get();
    state.text = text.get();
    int const result = body(context, &state);
    struct stat written = file.held();
    if (state.changed) {
        if (text) {
            SplicedState whole;
            if (!splice(*text, root.get(), whole) || !file.replace(whole.pieces, whole.places, written))
                return kFail;
            // What is kept no longer matches the file: the next call reads it
            // anew, and frees this then.
            StateCache& cache = stateCache();
            cache.root = std::move(root);
            cache.text = std::move(text);
            cache.path.clear();
            return result;
        }
        JsonText printed = printState(root.get());
        if (!printed)
            return kFail;
        iovec const whole[] = { piece(printed.get()), piece("\n") };
        std::unique_ptr<StateText> const printedText = StateText::index(printed.get());
        if (!file.replace(whole, printedText->places(), written))
            return kFail; // the tree holds what the file does not: it is dropped
    }
    StateCache& cache = stateCache();
    cache.root = std::move(root);
    cache.text = std::move(text);
    cache.path = file.path();
    cache.file = written;
    return result;
}

} // namespace

cJSON* State::section(char const* name)
{
    cJSON* found = cJSON_GetObjectItemCaseSensitive(root, name);
    if (found != nullptr || text == nullptr)
        return found;
    Json parsed = text->parse(name);
    found = parsed.get();
    return jsonAdd(root, name, std::move(parsed)) ? found : nullptr;
}

namespace {

// Whether a part of a section can be read from the text alone: the section is
// not parsed, and there is room to keep what is read.
bool readsAlone(State const& state, char const* sectionName)
{
    StateCache const& cache = stateCache();
    return state.text != nullptr && cache.memberCount < cache.members.size()
           && cJSON_GetObjectItemCaseSensitive(state.root, sectionName) == nullptr;
}

} // namespace

cJSON const* State::keep(Json value)
{
    StateCache& cache = stateCache();
    cJSON const* kept = value.get();
    if (kept != nullptr)
        cache.members[cache.memberCount++] = std::move(value);
    return kept;
}

cJSON const* State::member(char const* sectionName, char const* key)
{
    if (readsAlone(*this, sectionName))
        if (std::optional<Json> value = text->parseMember(sectionName, key))
            return keep(std::move(*value));
    return cJSON_GetObjectItemCaseSensitive(section(sectionName), key);
}

namespace {

// The row a walk over a parsed table takes, as the text's walk takes it.
cJSON const* takenRow(cJSON const* section, char const* table, char const* key,
                      bool (*choose)(std::string_view text, void* context), void* context)
{
    cJSON const* rows = cJSON_GetObjectItemCaseSensitive(section, table);
    cJSON const* taken = nullptr;
    cJSON const* row = nullptr;
    if (cJSON_IsArray(rows))
        cJSON_ArrayForEach(row, rows)
        {
            if (choose(sim::text(row, key), context))
                taken = row;
        }
    return taken;
}

} // namespace

cJSON const* State::row(char const* sectionName, char const* table, char const* key,
                        bool (*choose)(std::string_view text, void* context), void* context)
{
    if (readsAlone(*this, sectionName))
        if (std::optional<std::string_view> taken = text->rowText(sectionName, table, key, choose, context))
            return taken->data() != nullptr ? keep(StateText::parseRow(*taken)) : nullptr;
    return takenRow(section(sectionName), table, key, choose, context);
}

std::optional<cJSON const*> State::rowMember(char const* sectionName, char const* table, char const* key,
                                             bool (*choose)(std::string_view text, void* context),
                                             void* context, char const* field)
{
    if (readsAlone(*this, sectionName))
        if (std::optional<std::string_view> taken = text->rowText(sectionName, table, key, choose, context)) {
            if (taken->data() == nullptr)
                return std::nullopt;
            return keep(StateText::parseRowMember(*taken, field));
        }
    cJSON const* taken = takenRow(section(sectionName), table, key, choose, context);
    if (taken == nullptr)
        return std::nullopt;
    return cJSON_GetObjectItemCaseSensitive(taken, field);
}

#ifdef SWSIM_STATE_IN_MEMORY
void forgetState()
{
    memoryFile().empty();
}
#endif

void releaseState()
{
    openStateFile().close();
    // No later call takes the trees: the next one reads the file anew and
    // frees them then, so a teardown at the end of a process frees nothing.
    stateCache().path.clear();
}

int callWith(char const* name, std::span<Arg const> args, bool withState, int (*body)(void*, State*), void* context)
{
    // The line is taken before the call changes anything, and only when a
    // trace is kept: a large argument block costs nothing untraced.
    char const* tracePath = getenv("SWSIM_TRACE");
    std::string const line = tracePath != nullptr ? traceLine(name, args) : std::string();
    int result = kOk;
    if (!forcedResult(name, args, result))
        result = withState ? runOnState(body, context) : body(context, nullptr);
    appendTrace(tracePath, line);
    return result;
}

// ---- values ----

double number(cJSON const* object, char const* key, double fallback)
{
    cJSON const* item = cJSON_GetObjectItemCaseSensitive(object, key);
    return cJSON_IsNumber(item) ? item->valuedouble : fallback;
}

uint32_t u32(cJSON const* item)
{
    double const value = cJSON_IsNumber(item) ? item->valuedouble : 0;
    if (std::isnan(value) || value <= 0)
        return 0;
    return value >= 4294967295.0 ? 4294967295u : static_cast<uint32_t>(value);
}

uint32_t u32(cJSON const* object, char const* key)
{
    return u32(cJSON_GetObjectItemCaseSensitive(object, key));
}

char const* text(cJSON const* item)
{
    return cJSON_IsString(item) ? item->valuestring : "";
}

char const* text(cJSON const* object, char const* key)
{
    return text(cJSON_GetObjectItemCaseSensitive(object, key));
}

cJSON* array(cJSON* object, char const* key)
{
    cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
    if (cJSON_IsArray(item))
        return item;
    cJSON_DeleteItemFromObjectCaseSensitive(object, key);
    item = cJSON_CreateArray();
    cJSON_AddItemToObject(object, key, item);
    return item;
}

void setNumber(State& state, cJSON* object, char const* key, double value)
{
    cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
    if (cJSON_IsNumber(item) && item->valuedouble == value)
        return;
    if (item != nullptr)
        cJSON_ReplaceItemInObjectCaseSensitive(object, key, cJSON_CreateNumber(value));
    else
        cJSON_AddItemToObject(object, key, cJSON_CreateNumber(value));
    state.changed = true;
}

void setText(State& state, cJSON* object, char const* key, char const* value)
{
    cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
    if (cJSON_IsString(item) && strcmp(item->valuestring, value) == 0)
        return;
    if (item != nullptr)
        cJSON_ReplaceItemInObjectCaseSensitive(object, key, cJSON_CreateString(value));
    else
        cJSON_AddItemToObject(object, key, cJSON_CreateString(value));
    state.changed = true;
}

std::string readText(OpenBuffDesc const* desc)
{
    if (desc == nullptr || desc->pstart == nullptr)
        return {};
    return std::string(desc->pstart, strnlen(desc->pstart, desc->size));
}

void writeText(OpenBuffDesc* desc, char const* text)
{
    if (desc == nullptr || desc->pstart == nullptr || desc->size == 0)
        return;
    size_t const length = strnlen(text, desc->size - 1);
    memcpy(desc->pstart, text, length);
    desc->pstart[length] = '\0';
}

std::string addrText(OpenInetAddr const& addr)
{
    if (addr.family == kAfInet6)
        return addressText(true, addr.addr.ipv6);
    unsigned char const bytes[4] = { static_cast<unsigned char>(addr.addr.ipv4 >> 24),
                                     static_cast<unsigned char>(addr.addr.ipv4 >> 16),
                                     static_cast<unsigned char>(addr.addr.ipv4 >> 8),
                                     static_cast<unsigned char>(addr.addr.ipv4) };
    return addressText(false, bytes);
}

OpenInetAddr addrFromText(uint32_t family, char const* text)
{
    OpenInetAddr addr {};
    addr.family = family;
    if (family == kAfInet6) {
        if (inet_pton(AF_INET6, text, addr.addr.ipv6) != 1)
            memset(addr.addr.ipv6, 0, sizeof addr.addr.ipv6);
    } else {
        struct in_addr v4 {};
        if (inet_pton(AF_INET, text, &v4) == 1)
            addr.addr.ipv4 = ntohl(v4.s_addr);
    }
    return addr;
}

} // namespace sim
