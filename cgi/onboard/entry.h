// The program's pass over a request: open the log, register with the switch
// RPC service, build the route tree, serve the request, tear the RPC client
// down, close the log. A process that serves many requests makes the same
// pass, its registration and route tree kept from one request to the next.
#pragma once

#include "../../tools/httpd.h"

// Serves the request of the CGI environment and returns the exit status: 0
// once the request went through dispatch, 255 when the switch RPC service
// could not be reached. The tree, laid out when the program was built, is
// left in routes.
int serveRequest(HttpdHandle& routes);

// A process that serves request after request, each as a process of its own
// would serve it:
//   startServing   opens the log, registers and builds the tree once, and
//                  leaves the log as a new process finds it; 0, or the exit
//                  status serveRequest would give (255);
//   serveNext      serves the request now in the CGI environment, with the
//                  log opened and closed around it as a process does;
//   registerAgain  when a call of the last request reported the switch RPC
//                  service gone: drops the dead registration and registers
//                  anew (with the same bounded wait); 0, or 255 when the
//                  service cannot be reached and the process must end;
//   stopServing    tears the RPC client down.
int startServing(HttpdHandle& routes);
void serveNext(HttpdHandle routes);
int registerAgain();
void stopServing();
