// Handlers under "/api/v2/mgmt/mgmttelnet": telnet management access.
#include "body_args.h"
#include "routes.h"

#include "../../tools/sw_calls_access.h"

namespace {

template <Name Member, ValueWriter Write, auto Get>
constexpr HttpdHandler get = getValue<"mgmttelnet", Member, Write, Get>;

constexpr RouteRow kRows[] = {
    { "agent-telnet-admin-mode", kMethodPut, setValue<"mode", bodyMode, rpcclt_openapiAgentTelnetAdminModeSet> },
    { "agent-telnet-admin-mode", kMethodGet, get<"pMode", modeValue, rpcclt_openapiAgentTelnetAdminModeGet> },
    { "sw-dev-ctrl-telnet-mgmt-port-num", kMethodPut,
      setValues<rpcclt_openapiSwDevCtrlTelnetMgmtPortNumSet, BodyValue<"port", bodyU32>, BodyValue<"flag", bodyFlag>> },
    { "sw-dev-ctrl-telnet-mgmt-port-num", kMethodGet,
      get<"pPort", numberValue, rpcclt_openapiSwDevCtrlTelnetMgmtPortNumGet> },
    { "agent-telnet-num-sessions", kMethodPut,
      setValue<"maxSession", bodyU32, rpcclt_openapiAgentTelnetNumSessionsSet> },
    { "agent-telnet-num-sessions", kMethodGet, get<"pSession", numberValue, rpcclt_openapiAgentTelnetNumSessionsGet> },
    { "agent-telnet-timeout", kMethodPut, setValue<"timeout", bodyU32, rpcclt_openapiAgentTelnetTimeoutSet> },
    { "agent-telnet-timeout", kMethodGet, get<"pTimeout", numberValue, rpcclt_openapiAgentTelnetTimeoutGet> },
    { "agent-telnet-new-sessions", kMethodPut, setValue<"state", bodyMode, rpcclt_openapiAgentTelnetNewSessionsSet> },
    { "agent-telnet-new-sessions", kMethodGet, get<"pState", modeValue, rpcclt_openapiAgentTelnetNewSessionsGet> },
    { "agent-telnet-current-num-sessions", kMethodGet,
      get<"pSession", numberValue, rpcclt_openapiAgentTelnetCurrentNumSessionsGet> },
};

} // namespace

constinit std::span<RouteRow const> const mgmtTelnetRoutes = kRows;
constinit HttpdCContent* const mgmtTelnetEntries = LinkedRows<kRows>::first();
