// The log facility before the program opens it.
#include "../../tools/log.h"
#include "io_capture.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

// Each test runs in a process of its own, so nothing has opened the log yet.
TEST(DevmgrLog, BeforeOpeningWritesToStandardOutputUnderTheDefaultThreshold)
{
    CapturedStdout out;
    devmgrLog(3, "[%s:%d] first %s\n", "fn", 7, "line");
    devmgrLog(7, "not written at the default threshold\n");
    std::string const text = out.text();
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \(ERROR\): : \[fn:7\] first line\n)")))
        << text;
    EXPECT_EQ(devmgrLogLevelGet(), 6);
}

} // namespace
