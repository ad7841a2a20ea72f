// Handlers under "/api/v2/mgmt/mgmttelnet".
#include "routes.h"

// Not built yet: the group registers no routes.
constinit std::span<RouteRow const> const mgmtTelnetRoutes {};
