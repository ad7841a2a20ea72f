// management_v2.cgi: serves the version-2 management REST interface. Started
// as a CGI program it serves one request: exit status 0 once the request
// went through dispatch, 255 when the switch RPC service could not be
// reached. Started by a FastCGI web server (standard input a listening
// socket) it serves request after request in the same way.
#include "entry.h"
#ifdef MGMT_FASTCGI
#include "fastcgi.h"
#endif

namespace {

// Never freed: it serves until the process ends.
HttpdHandle g_routes = nullptr;

} // namespace

int main()
{
#ifdef MGMT_FASTCGI
    if (fastCgiListening())
        return serveFastCgi(g_routes);
#endif
    return serveRequest(g_routes);
}
