// Dispatch: how a request's URL and method find their route, and what the
// web server receives when none is found; the resources registered for
// features this switch does not carry (every SNTP resource and the discovery
// protocol mode), which answer "Unsupported Feature" without reading the
// request (no row calls the switch); and who may use which method.
#include "harness.h"

using namespace harness;

namespace {

class Dispatch : public CgiTest {};

std::string const kBeaconGet = getReply(17002, "Unsupported Feature");
std::string const kBeaconPut = setReply(17002, "Unsupported Feature");

struct DispatchCase {
    char const* name;
    char const* method;
    std::string uri;
    std::string want;
    std::optional<std::string> body = std::nullopt;
};

TEST_F(Dispatch, FindsTheRouteByDirectoryResourceAndMethod)
{
    std::string const slashes(1023 - std::string("/api/v2/mgmt/beacon/mode").size(), '/');
    DispatchCase const kCases[] = {
        { "plain", "GET", "/api/v2/mgmt/beacon/mode", kBeaconGet },
        { "query string ignored", "GET", "/api/v2/mgmt/beacon/mode?x=1", kBeaconGet },
        { "method ignores case", "get", "/api/v2/mgmt/beacon/mode", kBeaconGet },
        // Unsupported: GET without a line end, every other method with one; the
        // body, parsable or not, is never read.
        { "other method same resource", "PUT", "/api/v2/mgmt/beacon/mode", kBeaconPut, "{not json" },
        { "sntp set", "PUT", "/api/v2/mgmt/sntp/client-mode", kBeaconPut, "{not json" },
        { "sntp get", "GET", "/api/v2/mgmt/sntp/client-mode", kBeaconGet },
        { "slash in query splits there", "GET", "/api/v2/mgmt/beacon/mode?a=b/c", "" },
        { "trailing slash: empty resource", "GET", "/api/v2/mgmt/beacon/mode/", "" },
        { "single component at the root", "GET", "/mode", "" },
        { "base path alone", "GET", "/api/v2/mgmt/beacon", "" },
        { "resource compares case-sensitively", "GET", "/api/v2/mgmt/beacon/Mode", "" },
        // Whole names only: neither a prefix nor a longer name of any part.
        { "resource prefix", "GET", "/api/v2/mgmt/beacon/mod", "" },
        { "longer resource", "GET", "/api/v2/mgmt/beacon/modes", "" },
        { "base path prefix", "GET", "/api/v2/mgmt/beaco/mode", "" },
        { "longer base path", "GET", "/api/v2/mgmt/beaconx/mode", "" },
        { "a part between", "GET", "/api/v2/mgmt/beacon/x/mode", "" },
        { "resource at the base", "GET", "/api/v2/mgmt/mode", "" },
        { "method prefix", "G", "/api/v2/mgmt/beacon/mode", "" },
        { "longer method", "PUTS", "/api/v2/mgmt/beacon/mode", "" },
        { "method not registered", "DELETE", "/api/v2/mgmt/beacon/mode", "" },
        // Doubled slashes find the route, but the URL no longer starts "/api/v2/".
        { "doubled slashes, no header", "GET", "/api//v2/mgmt/beacon//mode", envelope(17002, "Unsupported Feature") },
        { "first 1023 characters count", "GET", "/api/v2/mgmt/beacon/" + slashes + "mode" + "/ignored", kBeaconGet },
        { "no slash at all", "GET", "beacon", "Invalid request path 'beacon'\n" },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.name);
        clearTrace();
        Result r = run({ .method = c.method, .uri = c.uri, .body = c.body });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.want);
        EXPECT_TRUE(handlerCalls().empty());
    }
}

class Privilege : public CgiTest {};

// Every method times every privilege, on a route of every method the route
// table uses: an accepted request reaches its handler, which calls the
// switch; a refused one is a bare 403 and the switch hears nothing of it.
TEST_F(Privilege, EveryMethodForEveryPrivilege)
{
    constexpr char kTimeout[] = "/api/v2/mgmt/mgmttelnet/agent-telnet-timeout";
    Request const kRoutes[] = {
        { .method = "GET", .uri = kTimeout },
        { .method = "PUT", .uri = kTimeout, .body = "{\"timeout\": 20}" },
        { .method = "POST", .uri = "/api/v2/mgmt/ntp/server", .body = "{\"ipAddr\": \"192.0.2.10\"}" },
        { .method = "DELETE", .uri = "/api/v2/mgmt/ntp/server", .query = "ipAddr=192.0.2.10" },
    };
    struct Holder {
        char const* session; // the file's lines before the token
        bool mayWrite;
    } const kHolders[] = { { "admin\n0\n", true }, { "operator\n0\nrw\n", true }, { "operator\n0\nro\n", false } };
    for (Holder const& holder : kHolders) {
        writeSession("t", std::string(holder.session) + "t");
        for (Request route : kRoutes) {
            SCOPED_TRACE(holder.session + route.method + " " + route.uri);
            route.token = "t";
            clearTrace();
            Result const r = run(route);
            EXPECT_EQ(r.status, 0);
            if (holder.mayWrite || route.method == "GET") {
                EXPECT_EQ(r.out.rfind(kJsonHeader, 0), 0u) << r.out;
                EXPECT_NE(r.out.find("\"respCode\""), std::string::npos) << r.out;
                EXPECT_FALSE(handlerCalls().empty());
            } else {
                EXPECT_EQ(r.out, kForbidden);
                EXPECT_TRUE(handlerCalls().empty());
            }
        }
    }
}

} // namespace
