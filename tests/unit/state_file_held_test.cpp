// The stand-in keeps its state file open between the calls of one process.
// Whatever happens to the file between two calls, the second sees it, and
// between calls the lock is free for every other process.
#include "../../tools/sw_calls.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <string>

namespace {

std::string stateWith(char const* version)
{
    return std::string("{\"system\": {\"networkOsVersion\": \"") + version + "\"}}";
}

class HeldStateFile : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/held-state-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_path = m_dir + "/state.json";
        setenv("SWSIM_STATE", m_path.c_str(), 1);
        write(m_path, stateWith("first"));
    }
    void TearDown() override
    {
        openapiClientTearDown(&m_handle);
        unsetenv("SWSIM_STATE");
        unlink(m_path.c_str());
        rmdir(m_dir.c_str());
    }

    static void write(std::string const& path, std::string const& text)
    {
        std::ofstream(path, std::ios::trunc) << text;
    }

    std::string version()
    {
        char text[64] = {};
        OpenBuffDesc desc { sizeof text, text };
        EXPECT_EQ(rpcclt_openapiNetworkOSVersionGet(&m_handle, &desc), 0);
        return text;
    }

    // Whether this process has the state file open.
    bool stateFileOpen() const
    {
        std::error_code gone; // the iterator's own descriptor, closed by the time it is read
        for (auto const& fd : std::filesystem::directory_iterator("/proc/self/fd"))
            if (std::filesystem::read_symlink(fd.path(), gone) == m_path)
                return true;
        return false;
    }

    std::string m_dir;
    std::string m_path;
    OpenClientHandle m_handle {};
};

TEST_F(HeldStateFile, EveryChangeBetweenCallsIsSeenAndTheLockIsHeldOnlyWithinACall)
{
    // The first call completes the file with every section, which replaces it.
    EXPECT_EQ(version(), "first");
    EXPECT_EQ(version(), "first");
    EXPECT_TRUE(stateFileOpen());
    int other = open(m_path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0);
    EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0) << "the file stayed locked after the call";
    close(other);

    struct Change {
        char const* how;
        void (*make)(std::string const& path, std::string const& text);
    };
    Change const changes[] = {
        { "a new file renamed over it",
          [](std::string const& path, std::string const& text) {
              write(path + ".new", text);
              ASSERT_EQ(rename((path + ".new").c_str(), path.c_str()), 0);
          } },
        { "rewritten in place, the same file",
          [](std::string const& path, std::string const& text) { write(path, text); } },
        { "removed, then made anew",
          [](std::string const& path, std::string const& text) {
              unlink(path.c_str());
              write(path, text);
          } },
    };
    char const* versions[] = { "second", "third-and-longer", "4th" };
    for (size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE(changes[i].how);
        changes[i].make(m_path, stateWith(versions[i]));
        EXPECT_EQ(version(), versions[i]);
    }

    // The teardown call lets the file go.
    openapiClientTearDown(&m_handle);
    EXPECT_FALSE(stateFileOpen());
    EXPECT_EQ(version(), "4th");
}

} // namespace
