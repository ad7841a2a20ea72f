#include "entry.h"

#include "routes.h"

#include "../../tools/common/rpc_client.h"
#include "../../tools/log.h"

int serveRequest(HttpdHandle& routes)
{
    devmgrLogOpen(LOG_MODE_FILE, 8, "orla_cgi");
    if (initHandler("management_v2.cgi", &clientHandle) < 0) {
        devmgrLogClose();
        return 255;
    }
    routes = httpdRootCreate();
    if (routes == nullptr)
        return 1;
    registerRoutes(routes);
    httpdProcessRequest(routes);
    openapiClientTearDown(&clientHandle);
    devmgrLogClose();
    return 0;
}
