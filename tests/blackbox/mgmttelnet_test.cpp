// Telnet management: each PUT hands its member to the switch as the member's
// reader makes it, each GET answers the switch's value under "mgmttelnet",
// and the stand-in keeps every value within a telnet server's ranges.
#include "access_cases.h"

using namespace access_cases;

namespace {

constexpr char kBase[] = "/api/v2/mgmt/mgmttelnet/";

constexpr CallCase kCallCases[] = {
    { "enable", "PUT", "agent-telnet-admin-mode", R"({"mode":"enable"})",
      R"({"call":"rpcclt_openapiAgentTelnetAdminModeSet","args":[1]})" },
    { "capital E", "PUT", "agent-telnet-admin-mode", R"({"mode":"Enable"})",
      R"({"call":"rpcclt_openapiAgentTelnetAdminModeSet","args":[0]})" },
    { "not an object", "PUT", "agent-telnet-admin-mode", R"(["enable"])",
      R"({"call":"rpcclt_openapiAgentTelnetAdminModeSet","args":[0]})" },
    { "port, literal true", "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", R"({"port":2323,"flag":true})",
      R"({"call":"rpcclt_openapiSwDevCtrlTelnetMgmtPortNumSet","args":[2323,0]})" },
    { "port, string true", "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", R"({"FLAG":"true","Port":70000.9})",
      R"({"call":"rpcclt_openapiSwDevCtrlTelnetMgmtPortNumSet","args":[70000,1]})" },
    { "sessions", "PUT", "agent-telnet-num-sessions", R"({"maxSession":3.7})",
      R"({"call":"rpcclt_openapiAgentTelnetNumSessionsSet","args":[3]})" },
    { "timeout truncated", "PUT", "agent-telnet-timeout", R"({"timeout":5.8})",
      R"({"call":"rpcclt_openapiAgentTelnetTimeoutSet","args":[5]})" },
    { "timeout a string", "PUT", "agent-telnet-timeout", R"({"timeout":"5"})",
      R"({"call":"rpcclt_openapiAgentTelnetTimeoutSet","args":[0]})" },
    { "new sessions", "PUT", "agent-telnet-new-sessions", R"({"state":"enable","mode":"disable"})",
      R"({"call":"rpcclt_openapiAgentTelnetNewSessionsSet","args":[1]})" },
    { "get takes no input", "GET", "agent-telnet-current-num-sessions", "{}",
      R"({"call":"rpcclt_openapiAgentTelnetCurrentNumSessionsGet","args":[0]})" },
};

class MgmtTelnet : public CgiTest {};

TEST_F(MgmtTelnet, RequestsBecomeTheCallsArguments)
{
    expectCalls(kBase, kCallCases);
}

constexpr ReplyCase kReplyCases[] = {
    { "mode 1", "GET", "agent-telnet-admin-mode", nullptr, 0, R"({"pMode":"enable"})",
      R"({"rpcclt_openapiAgentTelnetAdminModeGet":{"out":[1]}})" },
    { "mode 2", "GET", "agent-telnet-admin-mode", nullptr, 0, R"({"pMode":"disable"})",
      R"({"rpcclt_openapiAgentTelnetAdminModeGet":{"out":[2]}})" },
    { "port above int32", "GET", "sw-dev-ctrl-telnet-mgmt-port-num", nullptr, 0, R"({"pPort":4294967295})",
      R"({"rpcclt_openapiSwDevCtrlTelnetMgmtPortNumGet":{"out":[4294967295]}})" },
    { "get failed", "GET", "agent-telnet-timeout", nullptr, 17002, nullptr,
      R"({"rpcclt_openapiAgentTelnetTimeoutGet":-28})" },
    { "set failed", "PUT", "agent-telnet-timeout", "{}", 10000, nullptr, R"({"rpcclt_openapiAgentTelnetTimeoutSet":-5})" },
    { "set ok", "PUT", "agent-telnet-new-sessions", "{}", 0, nullptr, R"({"rpcclt_openapiAgentTelnetNewSessionsSet":0})" },
    { "not json", "PUT", "sw-dev-ctrl-telnet-mgmt-port-num", "{\"port\":23", 10003 },
};

TEST_F(MgmtTelnet, RepliesInTheirForms)
{
    expectReplies(kBase, "mgmttelnet", kReplyCases);
}

// Each row runs in a process of its own, in order, over one state.
constexpr ReplyCase kSwitchCases[] = {
    { "factory mode", "GET", "agent-telnet-admin-mode", nullptr, 0, R"({"pMode":"enable"})" },
    { "factory port", "GET", "sw-dev-ctrl-telnet-mgmt-port-num", nullptr, 0, R"({"pPort":23})" },
    { "factory limit", "GET", "agent-telnet-num-sessions", nullptr, 0, R"({"pSession":5})" },
    { "factory timeout", "GET", "agent-telnet-timeout", nullptr, 0, R"({"pTimeout":5})" },
    { "factory new sessions", "GET", "agent-telnet-new-sessions", nullptr, 0, R"({"pState":"enable"})" },
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

TEST_F(MgmtTelnet, StandInKeepsATelnetServersRanges)
{
    seedState(R"({"mgmtTelnet":{"adminMode":1,"port":23,"maxSessions":5,"timeout":5,"newSessions":1,"currentSessions":2}})");
    expectReplies(kBase, "mgmttelnet", kSwitchCases);
    clearTrace();
    seedState(R"({"mgmtTelnet":{"port":23,"currentSessions":2}})");
    put(std::string(kBase) + "sw-dev-ctrl-telnet-mgmt-port-num", R"({"port":992,"flag":"true"})");
    EXPECT_EQ(get(std::string(kBase) + "agent-telnet-current-num-sessions").out,
              getReply(0, "Success", "mgmttelnet", R"({"pSession":0})")); // moving at once closes them
}

} // namespace
