// Route trees: a group of routes registered at once builds the tree that
// registering them one by one builds, each entry with its own copy of its
// resource text; the route table has a handler for every row, and the tree
// built from it is the one registering it builds.
#include "../../cgi/onboard/routes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The tree laid out when the program is built against the one registering
// the table on a fresh root builds: node for node in the same sibling order,
// entry for entry in the same list order (which decides which of two equal
// registrations serves).
void expectSameTree(HttpdDir const* built, HttpdDir const* registered, std::string const& path)
{
    SCOPED_TRACE(path);
    ASSERT_NE(built, nullptr);
    ASSERT_NE(registered, nullptr);
    EXPECT_STREQ(built->name, registered->name);
    HttpdCContent const* a = built->firstContent;
    HttpdCContent const* b = registered->firstContent;
    for (size_t i = 0; a != nullptr && b != nullptr; a = a->next, b = b->next, ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(a->resource, b->resource);
        EXPECT_EQ(a->method, b->method);
        EXPECT_EQ(a->authFlag, b->authFlag);
        EXPECT_EQ(a->handler, b->handler);
    }
    EXPECT_EQ(a == nullptr, b == nullptr) << "entry lists of different lengths";
    HttpdDir const* x = built->firstChild;
    HttpdDir const* y = registered->firstChild;
    for (; x != nullptr && y != nullptr; x = x->nextSibling, y = y->nextSibling)
        expectSameTree(x, y, path + "/" + registered->name);
    EXPECT_EQ(x == nullptr, y == nullptr) << "child lists of different lengths";
}

int first() { return 1; }
int second() { return 2; }

// Route trees are never freed, as in the program: they stay reachable here
// until the process ends, past the destruction of statics, so that a leak
// checker does not count them.
auto* const g_trees = new std::vector<HttpdHandle>;

TEST(RouteTree, AGroupAtOnceBuildsWhatOneByOneBuilds)
{
    struct {
        char const* name;
        char const* basePath;
        std::vector<HttpdRoute> routes;
    } const kGroups[] = {
        { "methods of one resource", "/api/v2/mgmt/dns",
          { { "admin-mode", kMethodGet, first }, { "admin-mode", kMethodPut, second }, { "client-cache-host", kMethodDelete, first } } },
        { "a route registered twice", "/a/b",
          { { "mapping", kMethodDelete, first }, { "other", kMethodGet, first }, { "mapping", kMethodDelete, second } } },
        { "doubled and trailing slashes", "//x//y/", { { "r", kMethodPost, second }, { "", kMethodGet, first } } },
        { "no routes", "/empty", {} },
    };
    for (auto const& c : kGroups) {
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

        expectSameTree(together->root, apart->root, "");
        size_t entries = 0;
        for (HttpdCContent const* e = httpdDirFind(together, c.basePath)->firstContent; e != nullptr; e = e->next, ++entries)
            for (HttpdRoute const& route : c.routes)
                EXPECT_NE(static_cast<void const*>(e->resource), static_cast<void const*>(route.resource));
        EXPECT_EQ(entries, c.routes.size() + 1);
    }
}

TEST(RouteTable, BuiltTreeIsTheRegisteredOne)
{
    HttpdHandle registered = g_trees->emplace_back(httpdRootCreate());
    ASSERT_NE(registered, nullptr);
    registerRoutes(registered);
    HttpdHandle built = builtRoutes();
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(builtRoutes(), built);
    expectSameTree(built->root, registered->root, "");
    // Every row has its handler, and its group is found where the dispatcher
    // looks for it. The rows themselves, in order, are held against the
    // description (docs/openapi.yaml) by its drift check.
    for (RouteGroup const& group : routeTable()) {
        for (RouteRow const& row : group.rows)
            EXPECT_NE(row.handler, nullptr) << group.basePath << "/" << row.resource;
        EXPECT_NE(httpdDirFind(built, group.basePath), nullptr) << group.basePath;
    }
}

} // namespace
