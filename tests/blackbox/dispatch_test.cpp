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
std::string const kBeaconGetNoHeader = envelope(17002, "Unsupported Feature");

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
        { "sntp add", "POST", "/api/v2/mgmt/sntp/server", kBeaconPut, "{not json" },
        { "sntp delete", "DELETE", "/api/v2/mgmt/sntp/server", kBeaconPut, "{not json" },
        { "sntp set", "PUT", "/api/v2/mgmt/sntp/client-mode", kBeaconPut, "{not json" },
        { "sntp get", "GET", "/api/v2/mgmt/sntp/client-mode", kBeaconGet },
        { "slash in query splits there", "GET", "/api/v2/mgmt/beacon/mode?a=b/c", "" },
        { "trailing slash: empty resource", "GET", "/api/v2/mgmt/beacon/mode/", "" },
        { "single component at the root", "GET", "/mode", "" },
        { "base path alone", "GET", "/api/v2/mgmt/beacon", "" },
        { "unknown base path", "GET", "/api/v2/mgmt/nothing/mode", "" },
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
        { "method without a name", "PATCH", "/api/v2/mgmt/beacon/mode", "" },
        { "method not registered", "DELETE", "/api/v2/mgmt/beacon/mode", "" },
        // Doubled slashes find the route, but the URL no longer starts "/api/v2/".
        { "doubled slashes, no header", "GET", "/api//v2/mgmt/beacon//mode", kBeaconGetNoHeader },
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

// Who may use which method, on a route of every method the route table uses.
class Privilege : public CgiTest {};

struct Route {
    char const* method;
    char const* uri;
    std::optional<std::string> query;
    std::optional<std::string> body;
};

Route const kRoutes[] = {
    { "GET", "/api/v2/mgmt/mgmttelnet/agent-telnet-timeout", std::nullopt, std::nullopt },
    { "PUT", "/api/v2/mgmt/mgmttelnet/agent-telnet-timeout", std::nullopt, "{\"timeout\": 20}" },
    { "POST", "/api/v2/mgmt/ntp/server", std::nullopt, "{\"ipAddr\": \"192.0.2.10\"}" },
    { "DELETE", "/api/v2/mgmt/ntp/server", "ipAddr=192.0.2.10", std::nullopt },
};

struct Holder {
    char const* name;
    char const* session; // the file's lines before the token
    bool mayWrite;
};

Holder const kHolders[] = {
    { "admin", "admin\n0\n", true },
    { "read-write", "operator\n0\nrw\n", true },
    { "read-only", "operator\n0\nro\n", false },
};

// Every method times every privilege: an accepted request reaches its
// handler, which calls the switch; a refused one is a bare 403 and the
// switch hears nothing of it.
TEST_F(Privilege, EveryMethodForEveryPrivilege)
{
    for (Holder const& holder : kHolders) {
        writeSession("t", std::string(holder.session) + "t");
        for (Route const& route : kRoutes) {
            SCOPED_TRACE(std::string(holder.name) + " " + route.method + " " + route.uri);
            clearTrace();
            Result const r = run({ .method = route.method, .uri = route.uri, .query = route.query,
                                   .body = route.body, .token = "t" });
            EXPECT_EQ(r.status, 0);
            bool const mayUse = holder.mayWrite || std::string(route.method) == "GET";
            if (mayUse) {
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
