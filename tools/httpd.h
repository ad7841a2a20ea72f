// The route tree: one node per path component, content entries per resource
// and method, and the dispatcher that serves the process's one request.
#pragma once

#include "audit.h"

#include <cstdint>
#include <span>

using HttpdHandler = int (*)();

struct HttpdCContent {
    char* resource;
    int32_t method;
    int32_t authFlag; // 0: no session check; 1: session, read-only users GET only; 2: "admin" only
    HttpdHandler handler;
    HttpdCContent* next;
};

struct HttpdDir {
    char* name;
    HttpdDir* firstChild;
    HttpdDir* nextSibling;
    HttpdCContent* firstContent;
};

// One-word holder of the root node.
struct HttpdRoot {
    HttpdDir* root;
};
using HttpdHandle = HttpdRoot*;

enum HttpdMethod : int32_t {
    kMethodGet = 0,
    kMethodPost = 1,
    kMethodDelete = 2,
    kMethodPut = 3,
};

inline constexpr int kAuthNone = 0;
inline constexpr int kAuthSession = 1;
inline constexpr int kAuthAdmin = 2;

// Texts of more than 1023 characters are cut to that when copied.
inline constexpr unsigned kHttpdTextSize = 1024;

// One route as httpdAddCContent takes it, less its base path and authFlag.
struct HttpdRoute {
    char const* resource;
    int32_t method;
    HttpdHandler handler;
};

HttpdHandle httpdRootCreate();
HttpdDir* httpdDirFind(HttpdHandle handle, char const* path);
int httpdAddCContent(HttpdHandle handle, char const* basePath, char const* resource, int32_t method,
                     int32_t authFlag, HttpdHandler handler);

// httpdAddCContent for each route in order, all under one base path: the node
// is found once, and the entries with their copies of the resource texts
// share one allocation. 0, or -1 when a route could not be registered.
int httpdAddCContents(HttpdHandle handle, char const* basePath, std::span<HttpdRoute const> routes,
                      int32_t authFlag);

void httpdProcessRequest(HttpdHandle handle);
char const* httpdMethodName(int32_t code);

// 0 when the request may proceed, -1 when it is refused.
int checkSessionX(char const* token, char const* refresh, HttpdCContent const* entry);

inline constexpr char kSessionDir[] = "/tmp/session/";
inline constexpr long kSessionIdleLimit = 7200;
