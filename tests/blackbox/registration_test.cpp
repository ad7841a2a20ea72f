// Registration with the switch RPC service, and the exit statuses of the
// program around it.
#include "access_cases.h"

#include <chrono>
#include <regex>

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

} // namespace
