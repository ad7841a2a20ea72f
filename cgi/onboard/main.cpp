// management_v2.cgi: serves one request of the version-2 management REST
// interface. Exit status 0 once the request went through dispatch, 255 when
// the switch RPC service could not be reached, 1 when the route tree could
// not be built.
#include "entry.h"

namespace {

// Never freed: it serves until the process ends.
HttpdHandle g_routes = nullptr;

} // namespace

int main()
{
    return serveRequest(g_routes);
}
