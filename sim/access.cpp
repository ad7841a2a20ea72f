#include "access.h"

namespace sim {

int getSetting(char const* name, Setting const& setting, uint32_t* value)
{
    return call(name, { out(value) }, [&](State& state) {
        if (value == nullptr)
            return kBadParam;
        *value = u32(state.section(setting.section), setting.key);
        return kOk;
    });
}

int setSetting(char const* name, Setting const& setting, uint32_t value)
{
    return call(name, { sim::value(value) }, [&](State& state) {
        if (value < setting.min || value > setting.max)
            return kBadParam;
        cJSON* section = state.section(setting.section);
        setNumber(state, section, setting.key, value);
        if (setting.apply != nullptr)
            setting.apply(state, section, value);
        return kOk;
    });
}

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
        if (u32(state.section(otherSection), "port") == port)
            return kExists;
        cJSON* server = state.section(section);
        setNumber(state, server, "port", port);
        if (flag == 1)
            setNumber(state, server, "currentSessions", 0);
        return kOk;
    });
}

} // namespace sim
