#include "access.h"

namespace sim {

void closeSessionsWhenOff(State& state, cJSON* section, uint32_t mode)
{
    if (mode != 1)
        setNumber(state, section, "currentSessions", 0);
}

int setServerPort(char const* name, char const* section, char const* otherSection, uint32_t port, uint32_t flag)
{
    return call(name, { value(port), value(flag) }, [&](State& state) {
        if (port < 1 || port > 65535 || flag > 1)
            return kBadParam;
        if (u32(state.member(otherSection, "port")) == port)
            return kExists;
        cJSON* server = state.section(section);
        setNumber(state, server, "port", port);
        if (flag == 1)
            setNumber(state, server, "currentSessions", 0);
        return kOk;
    });
}

} // namespace sim
