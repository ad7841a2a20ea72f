// management_v2.cgi: serves one request of the version-2 management REST
// interface. Exit status 0 once the request went through dispatch, 255 when
// the switch RPC service could not be reached, 1 when the route tree could
// not be built.
#include "routes.h"

#include "../../tools/common/rpc_client.h"
#include "../../tools/httpd.h"
#include "../../tools/log.h"

namespace {

// Never freed: it serves until the process ends.
HttpdHandle g_routes = nullptr;

} // namespace

int main()
{
    devmgrLogOpen(LOG_MODE_FILE, 8, "orla_cgi");
    if (initHandler("management_v2.cgi", &clientHandle) < 0) {
        devmgrLogClose();
        return 255;
    }
    g_routes = httpdRootCreate();
    if (g_routes == nullptr)
        return 1;
    registerRoutes(g_routes);
    httpdProcessRequest(g_routes);
    openapiClientTearDown(&clientHandle);
    devmgrLogClose();
    return 0;
}
