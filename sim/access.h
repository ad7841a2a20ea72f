// Management access settings shared by the telnet and web servers: values
// kept within a switch's ranges, and the ports the two servers may not share.
#pragma once

#include "settings.h"

namespace sim {

// Turning a server off closes the sessions it has open.
void closeSessionsWhenOff(State& state, cJSON* section, uint32_t mode);

// A server's port, 1..65535, and never the port of the other server (kExists).
// With flag 1 the server moves to it at once, closing its open sessions.
int setServerPort(char const* name, char const* section, char const* otherSection, uint32_t port, uint32_t flag);

} // namespace sim
