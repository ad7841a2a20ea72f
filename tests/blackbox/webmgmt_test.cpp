// Web management: each PUT hands its member to the switch as the member's
// reader makes it, each GET answers the switch's value under "webmgmt", and
// the stand-in keeps every value within a web server's ranges.
#include "access_cases.h"

using namespace access_cases;

namespace {

constexpr char kBase[] = "/api/v2/mgmt/webmgmt/";

constexpr CallCase kCallCases[] = {
    { "enable", "PUT", "sw-dev-ctrl-web-mgmt-mode", R"({"Mode":"enable"})",
      R"({"call":"rpcclt_openapiSwDevCtrlWebMgmtModeSet","args":[1]})" },
    { "port, literal true", "PUT", "sw-dev-ctrl-web-mgmt-port-num", R"({"port":8080,"flag":true})",
      R"({"call":"rpcclt_openapiSwDevCtrlWebMgmtPortNumSet","args":[8080,0]})" },
    { "port, string true", "PUT", "sw-dev-ctrl-web-mgmt-port-num", R"({"flag":"true","port":1e11})",
      R"({"call":"rpcclt_openapiSwDevCtrlWebMgmtPortNumSet","args":[4294967295,1]})" },
    { "sessions", "PUT", "cli-web-http-num-sessions", R"({"maxSession":9})",
      R"({"call":"rpcclt_openapiCliWebHttpNumSessionsSet","args":[9]})" },
    { "soft truncated", "PUT", "cli-web-http-session-soft-time-out", R"({"timeout":30.9})",
      R"({"call":"rpcclt_openapiCliWebHttpSessionSoftTimeOutSet","args":[30]})" },
    { "soft a string", "PUT", "cli-web-http-session-soft-time-out", R"({"timeout":"30"})",
      R"({"call":"rpcclt_openapiCliWebHttpSessionSoftTimeOutSet","args":[0]})" },
    { "hard", "PUT", "cli-web-http-session-hard-time-out", R"({"TimeOut":48})",
      R"({"call":"rpcclt_openapiCliWebHttpSessionHardTimeOutSet","args":[48]})" },
    { "get takes no input", "GET", "cli-web-http-session-hard-time-out", "{\"timeout\":1}",
      R"({"call":"rpcclt_openapiCliWebHttpSessionHardTimeOutGet","args":[0]})" },
};

class WebMgmt : public CgiTest {};

TEST_F(WebMgmt, RequestsBecomeTheCallsArguments)
{
    expectCalls(kBase, kCallCases);
}

constexpr ReplyCase kReplyCases[] = {
    { "mode 7", "GET", "sw-dev-ctrl-web-mgmt-mode", nullptr, 0, R"({"pMode":"disable"})",
      R"({"rpcclt_openapiSwDevCtrlWebMgmtModeGet":{"out":[7]}})" },
    { "port", "GET", "sw-dev-ctrl-web-mgmt-port-num", nullptr, 0, R"({"pPort":3000000000})",
      R"({"rpcclt_openapiSwDevCtrlWebMgmtPortNumGet":{"out":[3000000000]}})" },
    { "get failed", "GET", "sw-dev-ctrl-web-mgmt-port-num", nullptr, 10023, nullptr,
      R"({"rpcclt_openapiSwDevCtrlWebMgmtPortNumGet":-29})" },
    { "set failed", "PUT", "sw-dev-ctrl-web-mgmt-port-num", "{}", 10011, nullptr,
      R"({"rpcclt_openapiSwDevCtrlWebMgmtPortNumSet":-24})" },
    { "empty body", "PUT", "cli-web-http-num-sessions", "", 10003 },
};

TEST_F(WebMgmt, RepliesInTheirForms)
{
    expectReplies(kBase, "webmgmt", kReplyCases);
}

// Each row runs in a process of its own, in order, over one state.
constexpr ReplyCase kSwitchCases[] = {
    { "factory mode", "GET", "sw-dev-ctrl-web-mgmt-mode", nullptr, 0, R"({"pMode":"enable"})" },
    { "factory port", "GET", "sw-dev-ctrl-web-mgmt-port-num", nullptr, 0, R"({"pPort":80})" },
    { "factory limit", "GET", "cli-web-http-num-sessions", nullptr, 0, R"({"pSession":16})" },
    { "factory soft", "GET", "cli-web-http-session-soft-time-out", nullptr, 0, R"({"pTimeout":5})" },
    { "factory hard", "GET", "cli-web-http-session-hard-time-out", nullptr, 0, R"({"pTimeout":24})" },
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

TEST_F(WebMgmt, StandInKeepsAWebServersRanges)
{
    expectReplies(kBase, "webmgmt", kSwitchCases);
}

} // namespace
