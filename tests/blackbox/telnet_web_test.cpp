// Telnet and web management, two groups of one shape: a PUT hands its members
// to the switch through the reader the route uses (the readers' own rules are
// their unit test's; routes the stand-in reads back below are not repeated),
// a GET answers the switch's value under the group's name, and the stand-in
// keeps every value within the server's ranges.
#include "access_cases.h"

using namespace access_cases;

namespace {

constexpr char kTelnet[] = "/api/v2/mgmt/mgmttelnet/";
constexpr char kWeb[] = "/api/v2/mgmt/webmgmt/";

constexpr CallCase kTelnetCalls[] = {
    { "mode", "PUT", "agent-telnet-admin-mode", R"({"mode":"enable"})", "AgentTelnetAdminModeSet", "1" },
    { "port, 32 bits, flag", "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", R"({"FLAG":"true","Port":70000})", "SwDevCtrlTelnetMgmtPortNumSet", "70000,1" },
    { "sessions", "PUT", "agent-telnet-num-sessions", R"({"maxSession":3})", "AgentTelnetNumSessionsSet", "3" },
    { "new sessions", "PUT", "agent-telnet-new-sessions", R"({"state":"enable","mode":"disable"})", "AgentTelnetNewSessionsSet", "1" },
};

constexpr CallCase kWebCalls[] = {
    { "mode", "PUT", "sw-dev-ctrl-web-mgmt-mode", R"({"Mode":"enable"})", "SwDevCtrlWebMgmtModeSet", "1" },
    { "port, 32 bits, flag", "PUT", "sw-dev-ctrl-web-mgmt-port-num", R"({"flag":"true","port":70000})", "SwDevCtrlWebMgmtPortNumSet", "70000,1" },
    { "sessions", "PUT", "cli-web-http-num-sessions", R"({"maxSession":9})", "CliWebHttpNumSessionsSet", "9" },
    { "get takes no input", "GET", "cli-web-http-session-hard-time-out", "{\"timeout\":1}", "CliWebHttpSessionHardTimeOutGet", "0" },
};

class TelnetWeb : public CgiTest {};

TEST_F(TelnetWeb, RequestsBecomeTheCallsArguments)
{
    expectCalls(kTelnet, kTelnetCalls);
    expectCalls(kWeb, kWebCalls);
}

// Each row runs in a process of its own, in order, over one state: the reply
// forms of values and failures forced on the switch, then the stand-in's
// ranges.
constexpr ReplyCase kTelnetReplies[] = {
    { "mode 1", "GET", "agent-telnet-admin-mode", nullptr, 0, R"({"pMode":"enable"})", R"({"rpcclt_openapiAgentTelnetAdminModeGet":{"out":[1]}})" },
    { "port above int32", "GET", "sw-dev-ctrl-telnet-mgmt-port-num", nullptr, 0, R"({"pPort":4294967295})", R"({"rpcclt_openapiSwDevCtrlTelnetMgmtPortNumGet":{"out":[4294967295]}})" },
    { "port 0", "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", R"({"port":0})", 10003 },
    { "port 65536", "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", R"({"port":65536})", 10003 },
    { "the web server's port", "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", R"({"port":80})", 10011 },
    { "port", "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", R"({"port":2323})", 0 },
    { "port kept", "GET", "sw-dev-ctrl-telnet-mgmt-port-num", nullptr, 0, R"({"pPort":2323})" },
    { "six sessions", "PUT", "agent-telnet-num-sessions", R"({"maxSession":6})", 10003 },
    { "no sessions", "PUT", "agent-telnet-num-sessions", R"({"maxSession":0})", 0 },
    { "limit kept", "GET", "agent-telnet-num-sessions", nullptr, 0, R"({"pSession":0})" },
    { "timeout 0", "PUT", "agent-telnet-timeout", R"({"timeout":0})", 10003 },
    { "timeout 161", "PUT", "agent-telnet-timeout", R"({"timeout":161})", 10003 },
    { "timeout 160", "PUT", "agent-telnet-timeout", R"({"timeout":160})", 0 },
    { "timeout kept", "GET", "agent-telnet-timeout", nullptr, 0, R"({"pTimeout":160})" },
    { "no new sessions", "PUT", "agent-telnet-new-sessions", R"({"state":"disable"})", 0 },
    { "new sessions kept", "GET", "agent-telnet-new-sessions", nullptr, 0, R"({"pState":"disable"})" },
    { "open sessions", "GET", "agent-telnet-current-num-sessions", nullptr, 0, R"({"pSession":2})" },
    { "disable", "PUT", "agent-telnet-admin-mode", R"({"mode":"disable"})", 0 },
    { "disabled", "GET", "agent-telnet-admin-mode", nullptr, 0, R"({"pMode":"disable"})" },
    { "disabling closed them", "GET", "agent-telnet-current-num-sessions", nullptr, 0, R"({"pSession":0})" },
};

constexpr ReplyCase kWebReplies[] = {
    { "mode 7", "GET", "sw-dev-ctrl-web-mgmt-mode", nullptr, 0, R"({"pMode":"disable"})", R"({"rpcclt_openapiSwDevCtrlWebMgmtModeGet":{"out":[7]}})" },
    { "the telnet server's port", "PUT", "sw-dev-ctrl-web-mgmt-port-num", R"({"port":23})", 10011 },
    { "port 65536 with the flag", "PUT", "sw-dev-ctrl-web-mgmt-port-num", R"({"port":65536,"flag":"true"})", 10003 },
    { "port", "PUT", "sw-dev-ctrl-web-mgmt-port-num", R"({"port":8080,"flag":"true"})", 0 },
    { "port kept", "GET", "sw-dev-ctrl-web-mgmt-port-num", nullptr, 0, R"({"pPort":8080})" },
    { "17 sessions", "PUT", "cli-web-http-num-sessions", R"({"maxSession":17})", 10003 },
    { "16 sessions", "PUT", "cli-web-http-num-sessions", R"({"maxSession":16})", 0 },
    { "soft 61", "PUT", "cli-web-http-session-soft-time-out", R"({"timeout":61})", 10003 },
    { "soft 60", "PUT", "cli-web-http-session-soft-time-out", R"({"timeout":60})", 0 },
    { "hard 0", "PUT", "cli-web-http-session-hard-time-out", R"({"timeout":0})", 10003 },
    { "hard 168", "PUT", "cli-web-http-session-hard-time-out", R"({"timeout":168})", 0 },
    { "soft kept apart", "GET", "cli-web-http-session-soft-time-out", nullptr, 0, R"({"pTimeout":60})" },
    { "hard kept apart", "GET", "cli-web-http-session-hard-time-out", nullptr, 0, R"({"pTimeout":168})" },
    { "disable", "PUT", "sw-dev-ctrl-web-mgmt-mode", R"({"mode":"disable"})", 0 },
    { "disabled", "GET", "sw-dev-ctrl-web-mgmt-mode", nullptr, 0, R"({"pMode":"disable"})" },
};

// The web rows on the factory defaults (telnet on port 23), the telnet rows
// on a seeded state (web on port 80).
TEST_F(TelnetWeb, RepliesTakeTheirFormsAndTheStandInKeepsEachServersRanges)
{
    expectReplies(kWeb, "webmgmt", kWebReplies);
    seedState(R"({"mgmtTelnet":{"adminMode":1,"port":23,"maxSessions":5,"timeout":5,"newSessions":1,"currentSessions":2}})");
    expectReplies(kTelnet, "mgmttelnet", kTelnetReplies);
    seedState(R"({"mgmtTelnet":{"port":23,"currentSessions":2}})");
    put(std::string(kTelnet) + "sw-dev-ctrl-telnet-mgmt-port-num", R"({"port":992,"flag":"true"})");
    EXPECT_EQ(get(std::string(kTelnet) + "agent-telnet-current-num-sessions").out,
              getReply(0, "Success", "mgmttelnet", R"({"pSession":0})")); // moving at once closes them
}

} // namespace
