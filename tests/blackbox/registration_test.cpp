// Registration with the switch RPC service and the exit statuses of the
// program around it; the log facility as the program uses it: the shared
// level byte, the line format, and rotation of "/tmp/brisk.log".
#include "access_cases.h"

#include <chrono>
#include <regex>

#include <unistd.h>

using namespace access_cases;

namespace {

class Registration : public CgiTest {};

constexpr char kUri[] = "/api/v2/mgmt/beacon/mode";

size_t calls(char const* name)
{
    size_t n = 0;
    for (auto const& line : trace())
        n += line.rfind(std::string("{\"call\":\"") + name + "\"", 0) == 0;
    return n;
}

TEST_F(Registration, RegistersOncePerRequestAndTearsDown)
{
    Result r = run({ .method = "GET", .uri = kUri });
    EXPECT_EQ(r.status, 0);
    std::vector<std::string> const lines = trace();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], R"({"call":"l7proc_crashlog_register","args":[]})");
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(\{"call":"openapiClientRegister","args":\["management_v2\.cgi_\d+"\]\})")))
        << lines[1];
    EXPECT_EQ(lines[2], R"({"call":"rpcclt_openapiConnectivityCheck","args":[]})");
    EXPECT_EQ(lines[3], R"({"call":"rpcclt_openapiNetworkOSVersionGet","args":[{"size":100,"text":""}]})");
    EXPECT_EQ(lines[4], R"({"call":"rpcclt_openapiApiVersionGet","args":[{}]})");
    EXPECT_EQ(lines[5], R"({"call":"openapiClientTearDown","args":[]})");
}

TEST_F(Registration, RefusedRegistrationEndsWith255AndNoOutput)
{
    Result r = run({ .method = "GET", .uri = kUri, .faults = R"({"openapiClientRegister":-5})" });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(calls("rpcclt_openapiConnectivityCheck"), 0u);
    EXPECT_EQ(calls("openapiClientTearDown"), 0u);
    EXPECT_NE(readFile("/tmp/brisk.log").find("] \nFailed to initialize RPC to switch. Exiting (result = -5)\n"),
              std::string::npos);
}

TEST_F(Registration, ServiceAnsweringAtTheThirdCheckIsWaitedFor)
{
    auto const start = std::chrono::steady_clock::now();
    Result r = run({ .method = "GET", .uri = kUri,
                     .faults = R"({"rpcclt_openapiConnectivityCheck":{"result":-3,"times":2}})" });
    double const seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, getReply(17002, "Unsupported Feature"));
    EXPECT_EQ(calls("rpcclt_openapiConnectivityCheck"), 3u);
    EXPECT_EQ(countOf(readFile("/tmp/brisk.log"), "] RPC call can fail until server starts. Keep trying (result = -3)\n"), 2);
    EXPECT_GE(seconds, 6.0);
    EXPECT_LT(seconds, 9.0);
}

TEST_F(Registration, ServiceThatNeverAnswersGivesUpAfterSevenChecks)
{
    auto const start = std::chrono::steady_clock::now();
    Result r = run({ .method = "GET", .uri = kUri, .faults = R"({"rpcclt_openapiConnectivityCheck":-1})" });
    double const seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(calls("rpcclt_openapiConnectivityCheck"), 7u);
    EXPECT_EQ(calls("openapiClientTearDown"), 0u);
    EXPECT_EQ(countOf(readFile("/tmp/brisk.log"), "(WARN)"), 6);
    EXPECT_GE(seconds, 18.0);
    EXPECT_LT(seconds, 21.0);
}

// Failed version queries are logged but do not fail the request; at debug
// level the versions and the registration are logged.
TEST_F(Registration, VersionsAreLoggedAndTheirFailuresDoNotFail)
{
    writeFile("/tmp/devmgr_log_level", "7");
    Result r = run({ .method = "GET", .uri = kUri,
                     .faults = R"({"rpcclt_openapiNetworkOSVersionGet":-1,"rpcclt_openapiApiVersionGet":-1})" });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, getReply(17002, "Unsupported Feature"));
    run({ .method = "GET", .uri = kUri,
          .faults = R"({"rpcclt_openapiNetworkOSVersionGet":{"out":["9.8.7"]},)"
                    R"("rpcclt_openapiApiVersionGet":{"out":[{"release":1,"version":2,"maint_level":3,"build_num":4}]}})" });
    std::string const log = readFile("/tmp/brisk.log");
    for (char const* line : { "] Network OS Version retrieve error\n", "] Open API Version retrieve error\n",
                              "] Network OS Version = 9.8.7\n", "] Open API Version = 1.2.3.4\n",
                              "] Register RPC to switch success. (client name = management_v2.cgi_" })
        EXPECT_NE(log.find(line), std::string::npos) << line;
}


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
