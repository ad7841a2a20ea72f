// Handlers under "/api/v2/mgmt/webmgmt": web management access. The soft and
// hard time-outs share the members "timeout" and "pTimeout".
#include "body_args.h"
#include "routes.h"

#include "../../tools/sw_calls_access.h"

namespace {

template <Name Member, ValueWriter Write, auto Get>
constexpr HttpdHandler get = getValue<"webmgmt", Member, Write, Get>;

constexpr RouteRow kRows[] = {
    { "sw-dev-ctrl-web-mgmt-mode", kMethodPut, setValue<"mode", bodyMode, rpcclt_openapiSwDevCtrlWebMgmtModeSet> },
    { "sw-dev-ctrl-web-mgmt-mode", kMethodGet, get<"pMode", modeValue, rpcclt_openapiSwDevCtrlWebMgmtModeGet> },
    { "sw-dev-ctrl-web-mgmt-port-num", kMethodPut,
      setValues<rpcclt_openapiSwDevCtrlWebMgmtPortNumSet, BodyValue<"port", bodyU32>, BodyValue<"flag", bodyFlag>> },
    { "sw-dev-ctrl-web-mgmt-port-num", kMethodGet, get<"pPort", numberValue, rpcclt_openapiSwDevCtrlWebMgmtPortNumGet> },
    { "cli-web-http-num-sessions", kMethodPut,
      setValue<"maxSession", bodyU32, rpcclt_openapiCliWebHttpNumSessionsSet> },
    { "cli-web-http-num-sessions", kMethodGet, get<"pSession", numberValue, rpcclt_openapiCliWebHttpNumSessionsGet> },
    { "cli-web-http-session-soft-time-out", kMethodPut,
      setValue<"timeout", bodyU32, rpcclt_openapiCliWebHttpSessionSoftTimeOutSet> },
    { "cli-web-http-session-soft-time-out", kMethodGet,
      get<"pTimeout", numberValue, rpcclt_openapiCliWebHttpSessionSoftTimeOutGet> },
    { "cli-web-http-session-hard-time-out", kMethodPut,
      setValue<"timeout", bodyU32, rpcclt_openapiCliWebHttpSessionHardTimeOutSet> },
    { "cli-web-http-session-hard-time-out", kMethodGet,
      get<"pTimeout", numberValue, rpcclt_openapiCliWebHttpSessionHardTimeOutGet> },
};

} // namespace

constinit std::span<RouteRow const> const webMgmtRoutes = kRows;
constinit HttpdCContent* const webMgmtEntries = LinkedRows<kRows>::first();
