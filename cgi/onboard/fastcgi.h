// Serving under a web server's FastCGI module: the program stays running and
// answers request after request on the socket the web server handed it as
// standard input, each as a CGI process of its own would answer it.
#pragma once

#include "../../tools/httpd.h"

// True when standard input is a listening socket, as a FastCGI web server
// starts its application; false for a CGI start (a pipe, a file, nothing).
bool fastCgiListening();

// Registers once, builds the route tree once, then serves until the web
// server asks the process to end (TERM or INT between requests) or the
// switch RPC service cannot be registered with again. The exit status: 0,
// or 255 as a CGI run gives it.
int serveFastCgi(HttpdHandle& routes);
