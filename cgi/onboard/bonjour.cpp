// Handlers under "/api/v2/mgmt/bonjour".
#include "routes.h"

// Not built yet: the group registers no routes.
constinit std::span<RouteRow const> const bonjourRoutes {};
