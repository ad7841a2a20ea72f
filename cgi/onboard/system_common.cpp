// Handlers under "/api/v2/system/common".
#include "routes.h"

// Not built yet: the group registers no routes.
constinit std::span<RouteRow const> const systemCommonRoutes {};
