// The switch's telnet server: admin mode, port, session limit, idle time-out
// (minutes), whether new sessions are accepted, and the sessions open now.
#include "access.h"

#include "../tools/sw_calls_access.h"

namespace sim {

// Factory defaults of the "mgmtTelnet" section of the state file.
extern char const kMgmtTelnetDefaults[] = R"({
    "adminMode": 1,
    "port": 23,
    "maxSessions": 5,
    "timeout": 5,
    "newSessions": 1,
    "currentSessions": 0
})";

} // namespace sim

namespace {

constexpr char kSection[] = "mgmtTelnet";
constexpr sim::Setting kAdminMode { kSection, "adminMode", 0, 1, sim::closeSessionsWhenOff };
constexpr sim::Setting kMaxSessions { kSection, "maxSessions", 0, 5 };
constexpr sim::Setting kTimeout { kSection, "timeout", 1, 160 };
constexpr sim::Setting kNewSessions { kSection, "newSessions", 0, 1 };
// Read here only: the port is set with its flag, by setServerPort.
constexpr sim::Setting kPort { kSection, "port", 0, 0 };
// Read only: sessions open and close by themselves.
constexpr sim::Setting kCurrentSessions { kSection, "currentSessions", 0, 0 };

} // namespace

extern "C" {

int rpcclt_openapiAgentTelnetAdminModeSet(OpenClientHandle*, uint32_t mode)
{
    return sim::setSetting(__func__, kAdminMode, mode);
}

int rpcclt_openapiAgentTelnetAdminModeGet(OpenClientHandle*, uint32_t* mode)
{
    return sim::getSetting(__func__, kAdminMode, mode);
}

int rpcclt_openapiSwDevCtrlTelnetMgmtPortNumSet(OpenClientHandle*, uint32_t port, uint32_t flag)
{
    return sim::setServerPort(__func__, kSection, "webMgmt", port, flag);
}

int rpcclt_openapiSwDevCtrlTelnetMgmtPortNumGet(OpenClientHandle*, uint32_t* port)
{
    return sim::getSetting(__func__, kPort, port);
}

int rpcclt_openapiAgentTelnetNumSessionsSet(OpenClientHandle*, uint32_t maxSessions)
{
    return sim::setSetting(__func__, kMaxSessions, maxSessions);
}

int rpcclt_openapiAgentTelnetNumSessionsGet(OpenClientHandle*, uint32_t* maxSessions)
{
    return sim::getSetting(__func__, kMaxSessions, maxSessions);
}

int rpcclt_openapiAgentTelnetTimeoutSet(OpenClientHandle*, uint32_t timeout)
{
    return sim::setSetting(__func__, kTimeout, timeout);
}

int rpcclt_openapiAgentTelnetTimeoutGet(OpenClientHandle*, uint32_t* timeout)
{
    return sim::getSetting(__func__, kTimeout, timeout);
}

int rpcclt_openapiAgentTelnetNewSessionsSet(OpenClientHandle*, uint32_t state)
{
    return sim::setSetting(__func__, kNewSessions, state);
}

int rpcclt_openapiAgentTelnetNewSessionsGet(OpenClientHandle*, uint32_t* state)
{
    return sim::getSetting(__func__, kNewSessions, state);
}

int rpcclt_openapiAgentTelnetCurrentNumSessionsGet(OpenClientHandle*, uint32_t* sessions)
{
    return sim::getSetting(__func__, kCurrentSessions, sessions);
}

} // extern "C"
