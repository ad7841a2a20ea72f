// The route table: a handler for every row, and the tree built from it.
#include "../../cgi/onboard/routes.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace {

// The routes themselves, in order, are held against the description
// (docs/openapi.yaml) by its drift check; here, that every row has its
// handler and that the table holds all 194 registrations.
constexpr size_t kRegistrations = 194;

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

// The registered tree lives as long as the program, as a route tree does;
// it stays reachable here, so that a leak checker does not count it.
HttpdRoot* volatile g_registered = nullptr;

TEST(RouteTable, BuiltTreeIsTheRegisteredOne)
{
    HttpdHandle registered = httpdRootCreate();
    g_registered = registered;
    ASSERT_NE(registered, nullptr);
    registerRoutes(registered);
    HttpdHandle built = builtRoutes();
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(builtRoutes(), built);
    expectSameTree(built->root, registered->root, "");
    // Every row has its handler, and its entry is found where the dispatcher
    // looks for it.
    size_t rows = 0, entries = 0;
    for (RouteGroup const& group : routeTable()) {
        rows += group.rows.size();
        for (RouteRow const& row : group.rows)
            EXPECT_NE(row.handler, nullptr) << group.basePath << "/" << row.resource;
        HttpdDir const* dir = httpdDirFind(built, group.basePath);
        ASSERT_NE(dir, nullptr);
        for (HttpdCContent const* e = dir->firstContent; e != nullptr; e = e->next)
            ++entries;
    }
    EXPECT_EQ(rows, kRegistrations);
    EXPECT_EQ(entries, kRegistrations);
}

} // namespace
