// Registering a group of routes at once builds the tree that registering them
// one by one builds: the same nodes, the same entries in the same order, each
// with its own copy of its resource text.
#include "../../tools/httpd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int first() { return 1; }
int second() { return 2; }

// The entries at a path, newest first, as "resource method auth handler".
std::vector<std::string> entriesAt(HttpdHandle handle, char const* path)
{
    std::vector<std::string> entries;
    for (HttpdCContent const* e = httpdDirFind(handle, path)->firstContent; e != nullptr; e = e->next)
        entries.push_back(std::string(e->resource) + " " + std::to_string(e->method) + " "
                          + std::to_string(e->authFlag) + " " + std::to_string(e->handler()));
    return entries;
}

struct GroupCase {
    char const* name;
    char const* basePath;
    std::vector<HttpdRoute> routes;
};

GroupCase const kGroups[] = {
    { "one route", "/api/v2/mgmt/beacon", { { "mode", kMethodPut, first } } },
    { "methods of one resource", "/api/v2/mgmt/dns",
      { { "admin-mode", kMethodGet, first }, { "admin-mode", kMethodPut, second }, { "client-cache-host", kMethodDelete, first } } },
    { "a route registered twice", "/a/b",
      { { "mapping", kMethodDelete, first }, { "other", kMethodGet, first }, { "mapping", kMethodDelete, second } } },
    { "doubled and trailing slashes", "//x//y/", { { "r", kMethodPost, second }, { "", kMethodGet, first } } },
    { "no routes", "/empty", {} },
};

// Route trees are never freed, as in the program: they stay reachable here
// until the process ends, past the destruction of statics.
auto* const g_trees = new std::vector<HttpdHandle>;

TEST(RouteTree, AGroupAtOnceBuildsWhatOneByOneBuilds)
{
    for (GroupCase const& c : kGroups) {
        SCOPED_TRACE(c.name);
        HttpdHandle together = g_trees->emplace_back(httpdRootCreate());
        HttpdHandle apart = g_trees->emplace_back(httpdRootCreate());
        ASSERT_NE(together, nullptr);
        ASSERT_NE(apart, nullptr);
        // Something there already, which the group's entries go in front of.
        httpdAddCContent(together, c.basePath, "before", kMethodGet, kAuthNone, second);
        httpdAddCContent(apart, c.basePath, "before", kMethodGet, kAuthNone, second);

        EXPECT_EQ(httpdAddCContents(together, c.basePath, c.routes, kAuthSession), 0);
        for (HttpdRoute const& route : c.routes)
            httpdAddCContent(apart, c.basePath, route.resource, route.method, kAuthSession, route.handler);

        EXPECT_EQ(entriesAt(together, c.basePath), entriesAt(apart, c.basePath));
        EXPECT_EQ(entriesAt(together, c.basePath).size(), c.routes.size() + 1);
        for (HttpdCContent const* e = httpdDirFind(together, c.basePath)->firstContent; e != nullptr; e = e->next)
            for (HttpdRoute const& route : c.routes)
                EXPECT_NE(static_cast<void const*>(e->resource), static_cast<void const*>(route.resource));
    }
}

} // namespace
