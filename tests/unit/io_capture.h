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

// Standard input reads the given bytes while the object lives.
class ScopedStdin {
public:
    explicit ScopedStdin(std::string const& bytes)
    {
        int fd = memfd_create("stdin", 0);
        if (fd >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()))
            lseek(fd, 0, SEEK_SET);
        m_saved = dup(0);
        dup2(fd, 0);
        close(fd);
    }
    ~ScopedStdin()
    {
        dup2(m_saved, 0);
        close(m_saved);
    }

private:
    int m_saved = -1;
};

// Everything written to standard output while the object lives.
class CapturedStdout {
public:
    CapturedStdout()
    {
        fflush(stdout);
        m_fd = memfd_create("stdout", 0);
        m_saved = dup(1);
        dup2(m_fd, 1);
    }
    ~CapturedStdout() { restore(); }

    std::string text()
    {
        restore();
        std::string out;
        char chunk[4096];
        lseek(m_fd, 0, SEEK_SET);
        for (ssize_t n; (n = read(m_fd, chunk, sizeof chunk)) > 0;)
            out.append(chunk, static_cast<size_t>(n));
        return out;
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        fflush(stdout);
        dup2(m_saved, 1);
        close(m_saved);
        m_saved = -1;
    }

    int m_fd = -1;
    int m_saved = -1;
};
