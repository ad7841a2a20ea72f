// In-process stand-ins for the web server's side of a CGI request: a body on
// standard input, environment variables, and standard output captured.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

// Sets (or unsets) one environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(char const* name, std::optional<std::string> const& value)
        : m_name(name)
    {
        if (char const* old = getenv(name))
            m_old = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    char const* m_name;
    std::optional<std::string> m_old;
};

// One of the process's descriptors points at a memory file holding the given
// bytes while the object lives.
class Redirected {
public:
    Redirected(int target, std::string const& bytes)
        : m_target(target), m_file(memfd_create("io", 0)), m_saved(dup(target))
    {
        if (write(m_file, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()))
            lseek(m_file, 0, SEEK_SET);
        dup2(m_file, target);
    }
    ~Redirected()
    {
        restore();
        close(m_file);
    }

protected:
    void restore()
    {
        if (m_saved < 0)
            return;
        fflush(stdout);
        dup2(m_saved, m_target);
        close(m_saved);
        m_saved = -1;
    }

    int m_target, m_file, m_saved;
};

// Standard input reads the given bytes while the object lives.
struct ScopedStdin : Redirected {
    explicit ScopedStdin(std::string const& bytes) : Redirected(0, bytes) {}
};

// Everything written to standard output while the object lives.
class CapturedStdout : Redirected {
public:
    CapturedStdout() : Redirected((fflush(stdout), 1), "") {}

    std::string text()
    {
        restore();
        std::string out;
        char chunk[4096];
        lseek(m_file, 0, SEEK_SET);
        for (ssize_t n; (n = read(m_file, chunk, sizeof chunk)) > 0;)
            out.append(chunk, static_cast<size_t>(n));
        return out;
    }
};
