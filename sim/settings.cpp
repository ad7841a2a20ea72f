#include "settings.h"

namespace sim {

int getSetting(char const* name, Setting const& setting, uint32_t* value)
{
    return call(name, { out(value) }, [&](State& state) {
        if (value == nullptr)
            return kBadParam;
        *value = u32(state.member(setting.section, setting.key));
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

} // namespace sim
