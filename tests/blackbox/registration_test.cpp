// Registration with the switch RPC service and the exit statuses of the
// program around it; the log facility as the program uses it: the shared
// level byte, the line format, and rotation of "/tmp/brisk.log".
#include "access_cases.h"

#include <chrono>
#include <regex>

#include <sys/stat.h>
#include <unistd.h>

using namespace access_cases;

namespace {

class Registration : public CgiTest {};

constexpr char kUri[] = "/api/v2/mgmt/beacon/mode";

// The calls of the switch of that name in the trace.
int calls(char const* name)
{
    return countOf(readFile(kTracePath), std::string("{\"call\":\"") + name + "\"");
}

// One registration per request, torn down at its end. Failed version
// queries are logged but do not fail the request; at debug level the
// versions and the registration are logged.
TEST_F(Registration, RegistersOncePerRequestTearsDownAndLogsTheVersions)
{
    EXPECT_EQ(run({ .method = "GET", .uri = kUri }).status, 0);
    std::vector<std::string> lines = trace();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(\{"call":"openapiClientRegister","args":\["management_v2\.cgi_\d+"\]\})")))
        << lines[1];
    lines[1] = "(register)";
    EXPECT_EQ(lines, (std::vector<std::string> { R"({"call":"l7proc_crashlog_register","args":[]})", "(register)",
        R"({"call":"rpcclt_openapiConnectivityCheck","args":[]})", R"({"call":"rpcclt_openapiNetworkOSVersionGet","args":[{"size":100,"text":""}]})",
        R"({"call":"rpcclt_openapiApiVersionGet","args":[{}]})", R"({"call":"openapiClientTearDown","args":[]})" }));

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

// A refused registration ends at once; a service that fails its check is
// asked again every 3 s, up to 7 times, each failure but the last a warning.
// Either way, a program that cannot register ends with 255 and no output.
TEST_F(Registration, ServiceFailuresAreWaitedForOrEndWith255)
{
    struct Case {
        char const* faults;
        int status;
        int checks, tearDowns;
        char const* logged; // in the log this many times
        int times;
        double atLeast, below; // seconds the request takes
    } const kCases[] = {
        { R"({"openapiClientRegister":-5})", 255, 0, 0,
          "] \nFailed to initialize RPC to switch. Exiting (result = -5)\n", 1, 0.0, 3.0 },
        { R"({"rpcclt_openapiConnectivityCheck":{"result":-3,"times":2}})", 0, 3, 1,
          "] RPC call can fail until server starts. Keep trying (result = -3)\n", 2, 6.0, 9.0 },
        { R"({"rpcclt_openapiConnectivityCheck":-1})", 255, 7, 0, "(WARN)", 6, 18.0, 21.0 },
    };
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.faults);
        renew();
        auto const start = std::chrono::steady_clock::now();
        Result const r = run({ .method = "GET", .uri = kUri, .faults = c.faults });
        double const seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.status == 0 ? getReply(17002, "Unsupported Feature") : "");
        EXPECT_EQ(calls("rpcclt_openapiConnectivityCheck"), c.checks);
        EXPECT_EQ(calls("openapiClientTearDown"), c.tearDowns);
        EXPECT_EQ(countOf(readFile("/tmp/brisk.log"), c.logged), c.times);
        EXPECT_GE(seconds, c.atLeast);
        EXPECT_LT(seconds, c.below);
    }
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

off_t sizeOf(char const* path)
{
    struct stat st {};
    return stat(path, &st) == 0 ? st.st_size : -1;
}

// A log rotates after the line that takes it past 1 MiB: the file holding
// that line becomes the old log, with or without one before it, and the next
// line starts a new one. Also when found larger than a 32-bit count (sparse:
// tmpfs holds no data for it).
TEST_F(Log, RotatesOnlyWhenTheCountPassesOneMebibyte)
{
    logOneError();
    off_t const lineLength = sizeOf(kLog);
    struct Case {
        off_t found;
        bool oldThere, rotates;
    } const kCases[] = {
        { 1048576 - lineLength, true, false }, // exactly 1 MiB after the write
        { 1048577 - lineLength, true, true },
        { 0x7ffffff0, false, true },
        { off_t { 3 } << 30, false, true },
    };
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.found);
        unlink(kOld);
        if (c.oldThere)
            writeFile(kOld, "older");
        writeFile(kLog, "");
        ASSERT_EQ(truncate(kLog, c.found), 0);
        logOneError();
        EXPECT_EQ(sizeOf(kLog), c.rotates ? 0 : c.found + lineLength);
        EXPECT_EQ(sizeOf(kOld), c.rotates ? c.found + lineLength : c.oldThere ? 5 : -1);
    }
    logOneError();
    EXPECT_EQ(sizeOf(kLog), lineLength);
}

} // namespace
