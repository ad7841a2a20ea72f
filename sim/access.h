// Management access settings shared by the telnet and web servers: values
// kept within a switch's ranges, and the ports the two servers may not share.
#pragma once

#include "sim.h"

namespace sim {

// One setting: a 32-bit value in a section, kept within min..max.
struct Setting {
    char const* section;
    char const* key;
    uint32_t min;
    uint32_t max;
    // What else changes on the switch when the value is set; none for nothing.
    void (*apply)(State& state, cJSON* section, uint32_t value) = nullptr;
};

int getSetting(char const* name, Setting const& setting, uint32_t* value);
// A value outside the range is refused with kBadParam.
int setSetting(char const* name, Setting const& setting, uint32_t value);

// Turning a server off closes the sessions it has open.
void closeSessionsWhenOff(State& state, cJSON* section, uint32_t mode);

// A server's port, 1..65535, and never the port of the other server (kExists).
// With flag 1 the server moves to it at once, closing its open sessions.
int setServerPort(char const* name, char const* section, char const* otherSection, uint32_t port, uint32_t flag);

} // namespace sim
