// Telnet and web management, two groups of one shape: a PUT hands its members
// to the switch through the reader the route uses (the readers' own rules are
// their unit test's), a GET answers the switch's value under the group's name,
// and the stand-in keeps every value within the server's ranges.
#include "access_cases.h"

using namespace access_cases;
using expect::call;

namespace {

constexpr char kTelnet[] = "/api/v2/mgmt/mgmttelnet/";
constexpr char kWeb[] = "/api/v2/mgmt/webmgmt/";

std::string set(int code) { return expect::setReply(code); }
std::string telnet(char const* data) { return expect::getReply(0, "mgmttelnet", data); }
std::string web(char const* data) { return expect::getReply(0, "webmgmt", data); }

// Each row runs in a process of its own, in order, over one state: the reply
// forms of values forced on the switch, the members each set reads, then the
// stand-in's ranges.
Exchange const kTelnetRows[] = {
    { "GET", "agent-telnet-admin-mode", {}, {}, telnet(R"({"pMode":"enable"})"), {}, R"({"rpcclt_openapiAgentTelnetAdminModeGet":{"out":[1]}})" },
    { "GET", "sw-dev-ctrl-telnet-mgmt-port-num", {}, {}, telnet(R"({"pPort":4294967295})"), {}, R"({"rpcclt_openapiSwDevCtrlTelnetMgmtPortNumGet":{"out":[4294967295]}})" },
    { "PUT", "agent-telnet-admin-mode", {}, R"({"mode":"enable"})", set(0), call("AgentTelnetAdminModeSet", "1") },
    { "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", {}, R"({"port":0})", set(10003) },
    // 32 bits read, and the flag.
    { "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", {}, R"({"FLAG":"true","Port":65536})", set(10003), call("SwDevCtrlTelnetMgmtPortNumSet", "65536,1") },
    { "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", {}, R"({"port":80})", set(10011) }, // the web server's port
    { "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", {}, R"({"port":2323})", set(0) },
    { "GET", "sw-dev-ctrl-telnet-mgmt-port-num", {}, {}, telnet(R"({"pPort":2323})") },
    { "PUT", "agent-telnet-num-sessions", {}, R"({"maxSession":6})", set(10003), call("AgentTelnetNumSessionsSet", "6") },
    { "PUT", "agent-telnet-num-sessions", {}, R"({"maxSession":0})", set(0) },
    { "GET", "agent-telnet-num-sessions", {}, {}, telnet(R"({"pSession":0})") },
    { "PUT", "agent-telnet-timeout", {}, R"({"timeout":0})", set(10003) },
    { "PUT", "agent-telnet-timeout", {}, R"({"timeout":161})", set(10003) },
    { "PUT", "agent-telnet-timeout", {}, R"({"timeout":160})", set(0) },
    { "GET", "agent-telnet-timeout", {}, {}, telnet(R"({"pTimeout":160})") },
    { "PUT", "agent-telnet-new-sessions", {}, R"({"state":"disable","mode":"enable"})", set(0), call("AgentTelnetNewSessionsSet", "0") },
    { "GET", "agent-telnet-new-sessions", {}, {}, telnet(R"({"pState":"disable"})") },
    { "GET", "agent-telnet-current-num-sessions", {}, {}, telnet(R"({"pSession":2})") },
    { "PUT", "agent-telnet-admin-mode", {}, R"({"mode":"disable"})", set(0) },
    { "GET", "agent-telnet-admin-mode", {}, {}, telnet(R"({"pMode":"disable"})") },
    { "GET", "agent-telnet-current-num-sessions", {}, {}, telnet(R"({"pSession":0})") }, // disabling closed them
};

Exchange const kWebRows[] = {
    { "GET", "sw-dev-ctrl-web-mgmt-mode", {}, {}, web(R"({"pMode":"disable"})"), {}, R"({"rpcclt_openapiSwDevCtrlWebMgmtModeGet":{"out":[7]}})" },
    { "PUT", "sw-dev-ctrl-web-mgmt-port-num", {}, R"({"port":23})", set(10011) }, // the telnet server's port
    // 32 bits read, and the flag.
    { "PUT", "sw-dev-ctrl-web-mgmt-port-num", {}, R"({"port":65536,"flag":"true"})", set(10003), call("SwDevCtrlWebMgmtPortNumSet", "65536,1") },
    { "PUT", "sw-dev-ctrl-web-mgmt-port-num", {}, R"({"port":8080,"flag":"true"})", set(0) },
    { "GET", "sw-dev-ctrl-web-mgmt-port-num", {}, {}, web(R"({"pPort":8080})") },
    { "PUT", "cli-web-http-num-sessions", {}, R"({"maxSession":17})", set(10003), call("CliWebHttpNumSessionsSet", "17") },
    { "PUT", "cli-web-http-num-sessions", {}, R"({"maxSession":16})", set(0) },
    { "PUT", "cli-web-http-session-soft-time-out", {}, R"({"timeout":61})", set(10003) },
    { "PUT", "cli-web-http-session-soft-time-out", {}, R"({"timeout":60})", set(0) },
    { "PUT", "cli-web-http-session-hard-time-out", {}, R"({"timeout":0})", set(10003) },
    { "PUT", "cli-web-http-session-hard-time-out", {}, R"({"timeout":168})", set(0) },
    { "GET", "cli-web-http-session-soft-time-out", {}, {}, web(R"({"pTimeout":60})") },
    // The two timeouts are kept apart; a get takes no input.
    { "GET", "cli-web-http-session-hard-time-out", {}, R"({"timeout":1})", web(R"({"pTimeout":168})"), call("CliWebHttpSessionHardTimeOutGet", "0") },
    { "PUT", "sw-dev-ctrl-web-mgmt-mode", {}, R"({"mode":"disable"})", set(0) },
    { "GET", "sw-dev-ctrl-web-mgmt-mode", {}, {}, web(R"({"pMode":"disable"})") },
    { "PUT", "sw-dev-ctrl-web-mgmt-mode", {}, R"({"Mode":"enable"})", set(0), call("SwDevCtrlWebMgmtModeSet", "1") },
};

class TelnetWeb : public CgiTest {};

// The web rows on the factory defaults (telnet on port 23), the telnet rows
// on a seeded state (web on port 80).
TEST_F(TelnetWeb, SetsReadTheirMembersRepliesTakeTheirFormsAndTheStandInKeepsEachServersRanges)
{
    expectExchanges(kWeb, kWebRows);
    seedState(R"({"mgmtTelnet":{"adminMode":1,"port":23,"maxSessions":5,"timeout":5,"newSessions":1,"currentSessions":2}})");
    expectExchanges(kTelnet, kTelnetRows);
    seedState(R"({"mgmtTelnet":{"port":23,"currentSessions":2}})");
    put(std::string(kTelnet) + "sw-dev-ctrl-telnet-mgmt-port-num", R"({"port":992,"flag":"true"})");
    EXPECT_EQ(get(std::string(kTelnet) + "agent-telnet-current-num-sessions").out,
              telnet(R"({"pSession":0})")); // moving at once closes them
}

} // namespace
