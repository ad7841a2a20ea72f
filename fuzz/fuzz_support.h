// What the fuzzers share: a private /tmp, standard input and output over
// memory files, the CGI environment, and the checks that stop a run.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef SWSIM_STATE_IN_MEMORY
#include "../sim/sim.h"
#endif

namespace fuzz {

// A broken expectation is a finding: say which and stop, so that libFuzzer
// keeps the input.
inline void require(bool holds, char const* what, std::string_view detail = {})
{
    if (holds)
        return;
    fprintf(stderr, "fuzz check failed: %s\n%.*s\n", what, static_cast<int>(detail.size()), detail.data());
    abort();
}

inline void writeText(char const* path, std::string_view text)
{
    FILE* file = fopen(path, "w");
    if (file == nullptr)
        return;
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
}

// The program's files (sessions, log, the stand-in's state) live in /tmp: the
// fuzzer gets a tmpfs of its own there, in a mount namespace of its own, so
// the host's /tmp is never touched. The audit's syslog socket, where the host
// has one, is covered with /dev/null in that namespace: records are dropped
// and counted as with no syslog, and millions of them never reach the host's.
inline void usePrivateTmp()
{
    if (unshare(CLONE_NEWNS) != 0) {
        uid_t const uid = getuid();
        gid_t const gid = getgid();
        require(unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0, "a mount namespace of our own", strerror(errno));
        writeText("/proc/self/setgroups", "deny");
        writeText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
        writeText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    }
    require(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0, "private mounts", strerror(errno));
    require(mount("tmpfs", "/tmp", "tmpfs", 0, "mode=1777,size=512m") == 0, "a tmpfs on /tmp", strerror(errno));
    if (access("/dev/log", F_OK) == 0)
        require(mount("/dev/null", "/dev/log", nullptr, MS_BIND, nullptr) == 0, "/dev/log covered", strerror(errno));
}

// The next input's switch at factory defaults: the stand-in's state emptied
// in memory (its fuzzing build), or its state file removed.
inline void freshSwitch([[maybe_unused]] char const* statePath)
{
#ifdef SWSIM_STATE_IN_MEMORY
    sim::forgetState();
#else
    unlink(statePath);
#endif
}

// A memory file standing in for one of the standard descriptors.
class MemoryFd {
public:
    explicit MemoryFd(int target)
        : m_fd(memfd_create("fuzz", 0))
    {
        require(m_fd >= 0 && dup2(m_fd, target) == target, "a memory file for a standard descriptor");
    }

    // Standard input: the bytes the next read sees, from the start.
    void fill(std::string_view bytes) const
    {
        rewindEmpty();
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(m_fd, bytes.data() + done, bytes.size() - done);
            require(n > 0, "filling standard input");
            done += static_cast<size_t>(n);
        }
        lseek(m_fd, 0, SEEK_SET);
    }

    // Standard output: what was written since the last take.
    std::string take() const
    {
        fflush(stdout);
        std::string bytes;
        char chunk[65536];
        for (off_t offset = 0;;) {
            ssize_t n = pread(m_fd, chunk, sizeof chunk, offset);
            if (n <= 0)
                break;
            bytes.append(chunk, static_cast<size_t>(n));
            offset += n;
        }
        rewindEmpty();
        return bytes;
    }

private:
    void rewindEmpty() const
    {
        require(ftruncate(m_fd, 0) == 0, "emptying a memory file");
        lseek(m_fd, 0, SEEK_SET);
    }

    int m_fd;
};

// One CGI variable: set to the text, or unset.
inline void setVariable(char const* name, std::optional<std::string> const& value)
{
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

// A text as the environment can hold it: up to its first NUL.
inline void cutAtNul(std::optional<std::string>& text)
{
    if (text)
        text->resize(strnlen(text->c_str(), text->size()));
}

// The input cut at its first count - 1 line ends into count fields; the last
// field takes the rest, line ends and all. Fields past the input's end are none.
inline std::vector<std::optional<std::string>> fields(uint8_t const* data, size_t size, size_t count)
{
    std::vector<std::optional<std::string>> out(count);
    std::string_view rest(reinterpret_cast<char const*>(data), size);
    for (size_t i = 0; i < count; ++i) {
        if (i + 1 == count) {
            out[i] = std::string(rest);
            break;
        }
        size_t const end = rest.find('\n');
        out[i] = std::string(rest.substr(0, end));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return out;
}

} // namespace fuzz
