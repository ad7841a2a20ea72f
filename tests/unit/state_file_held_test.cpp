// The stand-in keeps its state file open between the calls of one process.
// Whatever happens to the file between two calls, the second sees it, and
// between calls the lock is free for every other process.
#include "../../tools/sw_calls.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

void write(std::string const& path, char const* version)
{
    std::ofstream(path, std::ios::trunc) << "{\"system\": {\"networkOsVersion\": \"" << version << "\"}}";
}

TEST(HeldStateFile, EveryChangeBetweenCallsIsSeenAndTheLockIsHeldOnlyWithinACall)
{
    char dir[] = "/tmp/held-state-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string const path = std::string(dir) + "/state.json";
    setenv("SWSIM_STATE", path.c_str(), 1);
    write(path, "first");
    OpenClientHandle handle {};
    auto const version = [&handle] {
        char text[64] = {};
        OpenBuffDesc desc { sizeof text, text };
        EXPECT_EQ(rpcclt_openapiNetworkOSVersionGet(&handle, &desc), 0);
        return std::string(text);
    };
    auto const held = [&path] { // this process has the state file open
        std::error_code gone; // the iterator's own descriptor, closed by the time it is read
        for (auto const& fd : std::filesystem::directory_iterator("/proc/self/fd"))
            if (std::filesystem::read_symlink(fd.path(), gone) == path)
                return true;
        return false;
    };

    // The first call completes the file with every section, which replaces it.
    EXPECT_EQ(version(), "first");
    EXPECT_EQ(version(), "first");
    EXPECT_TRUE(held());
    int other = open(path.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0) << "the file stayed locked after the call";
    close(other);

    write(path + ".new", "second"); // a new file renamed over it
    ASSERT_EQ(rename((path + ".new").c_str(), path.c_str()), 0);
    EXPECT_EQ(version(), "second");
    write(path, "third-and-longer"); // rewritten in place
    EXPECT_EQ(version(), "third-and-longer");
    unlink(path.c_str()); // removed, then made anew
    write(path, "4th");
    EXPECT_EQ(version(), "4th");

    // The teardown call lets the file go.
    openapiClientTearDown(&handle);
    EXPECT_FALSE(held());
    EXPECT_EQ(version(), "4th");
    openapiClientTearDown(&handle);
    unsetenv("SWSIM_STATE");
    std::filesystem::remove_all(dir);
}

} // namespace
