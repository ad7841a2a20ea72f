// Calls that set or read one number of a section: the switches (0 or 1) and
// the plain values a section keeps.
#pragma once

#include "sim.h"

namespace sim {

// Keeps a switch; anything but 0 or 1 is refused.
inline int setSwitch(char const* name, char const* section, char const* key, uint32_t mode)
{
    return call(name, { value(mode) }, [&](State& state) {
        if (mode > 1)
            return kBadParam;
        setNumber(state, state.section(section), key, mode);
        return kOk;
    });
}

// Reads a kept number.
inline int getU32(char const* name, char const* section, char const* key, uint32_t* into)
{
    return call(name, { out(into) }, [&](State& state) {
        if (into == nullptr)
            return kBadParam;
        *into = u32(state.section(section), key);
        return kOk;
    });
}

} // namespace sim
