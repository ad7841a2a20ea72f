// The log facility as the program uses it: the shared level byte, the line
// format, and rotation of "/tmp/brisk.log".
#include "harness.h"

#include <regex>

#include <unistd.h>

using namespace harness;

namespace {

class Log : public CgiTest {};

constexpr char kLog[] = "/tmp/brisk.log";
constexpr char kOld[] = "/tmp/brisk.log.old";
constexpr char kLevel[] = "/tmp/devmgr_log_level";

// Logs one ERROR line ("method not found") of a length fixed by the URL.
void logOneError()
{
    run({ .method = "GET", .uri = "/api/v2/mgmt/beacon/absent?q=1" });
}

// The line names the whole URL and the parts that were looked up; the level
// file is created with the default and repaired when not a digit.
TEST_F(Log, LineCarriesStampLevelIdentAndMessageAndTheLevelFileIsRepaired)
{
    logOneError();
    std::regex const line(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \(ERROR\): orla_cgi: \[httpdProcessRequest:\d+\] )"
                          R"(method not found:/api/v2/mgmt/beacon/absent\?q=1\nbeacon\nabsent\n)");
    EXPECT_TRUE(std::regex_match(readFile(kLog), line)) << readFile(kLog);
    EXPECT_EQ(readFile(kLevel), std::string("6\0\0\0", 4));
    writeFile(kLevel, "x123");
    logOneError();
    EXPECT_EQ(readFile(kLevel), "6123");
}

TEST_F(Log, ThresholdDecidesWhichLevelsAreWritten)
{
    struct Case {
        char level;
        bool error, warn, debug;
    };
    constexpr Case kCases[] = { { '3', true, false, false }, { '6', true, true, false }, { '9', true, true, true } };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.level);
        writeFile(kLevel, std::string(1, c.level) + std::string(3, '\0'));
        unlink(kLog);
        // One warning from a slow service, one error, and debug lines on success.
        run({ .method = "GET", .uri = "/api/v2/mgmt/beacon/absent",
              .faults = R"({"rpcclt_openapiConnectivityCheck":{"result":-1,"times":1}})" });
        std::string const log = readFile(kLog);
        EXPECT_EQ(log.find("(ERROR)") != std::string::npos, c.error);
        EXPECT_EQ(log.find("(WARN)") != std::string::npos, c.warn);
        EXPECT_EQ(log.find("(DEBUG)") != std::string::npos, c.debug);
    }
}

TEST_F(Log, RotatesOnlyWhenTheCountPassesOneMebibyte)
{
    logOneError();
    size_t const lineLength = readFile(kLog).size();

    // Exactly 1048576 bytes after the write: no rotation.
    writeFile(kLog, std::string(1048576 - lineLength, 'a'));
    logOneError();
    EXPECT_EQ(readFile(kLog).size(), 1048576u);
    EXPECT_FALSE(exists(kOld));

    // One byte more: the file holding that write becomes the old log, and the
    // next line starts a new one.
    writeFile(kOld, "older");
    writeFile(kLog, std::string(1048577 - lineLength, 'b'));
    logOneError();
    EXPECT_EQ(readFile(kOld).size(), 1048577u);
    EXPECT_TRUE(exists(kLog));
    EXPECT_EQ(readFile(kLog).size(), 0u);
    logOneError();
    EXPECT_EQ(readFile(kLog).size(), lineLength);
}

} // namespace
