// The program's one pass over one request: open the log, register with the
// switch RPC service, build the route tree, serve the request, tear the RPC
// client down, close the log.
#pragma once

#include "../../tools/httpd.h"

// Serves the request of the CGI environment and returns the exit status: 0
// once the request went through dispatch, 255 when the switch RPC service
// could not be reached, 1 when the route tree could not be built. The tree is
// left in routes and never freed by the program.
int serveRequest(HttpdHandle& routes);
