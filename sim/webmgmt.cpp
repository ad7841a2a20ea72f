// The switch's web server: management mode, port, HTTP session limit, and the
// soft (idle, minutes) and hard (absolute, hours) session time-outs.
#include "access.h"

#include "../tools/sw_calls_access.h"

namespace sim {

// Factory defaults of the "webMgmt" section of the state file.
extern char const kWebMgmtDefaults[] = R"({
    "mode": 1,
    "port": 80,
    "maxSessions": 16,
    "softTimeout": 5,
    "hardTimeout": 24,
    "currentSessions": 0
})";

} // namespace sim

namespace {

constexpr char kSection[] = "webMgmt";
constexpr sim::Setting kMode { kSection, "mode", 0, 1, sim::closeSessionsWhenOff };
// Read here only: the port is set with its flag, by setServerPort.
constexpr sim::Setting kPort { kSection, "port", 0, 0 };
constexpr sim::Setting kMaxSessions { kSection, "maxSessions", 0, 16 };
constexpr sim::Setting kSoftTimeout { kSection, "softTimeout", 1, 60 };
constexpr sim::Setting kHardTimeout { kSection, "hardTimeout", 1, 168 };

} // namespace

extern "C" {

int rpcclt_openapiSwDevCtrlWebMgmtModeSet(OpenClientHandle*, uint32_t mode)
{
    return sim::setSetting(__func__, kMode, mode);
}

int rpcclt_openapiSwDevCtrlWebMgmtModeGet(OpenClientHandle*, uint32_t* mode)
{
    return sim::getSetting(__func__, kMode, mode);
}

int rpcclt_openapiSwDevCtrlWebMgmtPortNumSet(OpenClientHandle*, uint32_t port, uint32_t flag)
{
    return sim::setServerPort(__func__, kSection, "mgmtTelnet", port, flag);
}

int rpcclt_openapiSwDevCtrlWebMgmtPortNumGet(OpenClientHandle*, uint32_t* port)
{
    return sim::getSetting(__func__, kPort, port);
}

int rpcclt_openapiCliWebHttpNumSessionsSet(OpenClientHandle*, uint32_t maxSessions)
{
    return sim::setSetting(__func__, kMaxSessions, maxSessions);
}

int rpcclt_openapiCliWebHttpNumSessionsGet(OpenClientHandle*, uint32_t* maxSessions)
{
    return sim::getSetting(__func__, kMaxSessions, maxSessions);
}

int rpcclt_openapiCliWebHttpSessionSoftTimeOutSet(OpenClientHandle*, uint32_t timeout)
{
    return sim::setSetting(__func__, kSoftTimeout, timeout);
}

int rpcclt_openapiCliWebHttpSessionSoftTimeOutGet(OpenClientHandle*, uint32_t* timeout)
{
    return sim::getSetting(__func__, kSoftTimeout, timeout);
}

int rpcclt_openapiCliWebHttpSessionHardTimeOutSet(OpenClientHandle*, uint32_t timeout)
{
    return sim::setSetting(__func__, kHardTimeout, timeout);
}

int rpcclt_openapiCliWebHttpSessionHardTimeOutGet(OpenClientHandle*, uint32_t* timeout)
{
    return sim::getSetting(__func__, kHardTimeout, timeout);
}

} // extern "C"
