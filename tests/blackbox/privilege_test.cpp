// Who may use which method, on a route of every method the route table uses.
#include "harness.h"

using namespace harness;

namespace {

class Privilege : public CgiTest {};

std::string const kForbidden = "Status:403\r\n\r\n";

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
    { "PUT", "/api/v2/mgmt/webmgmt/sw-dev-ctrl-web-mgmt-mode", std::nullopt, "{\"mode\": \"enable\"}" },
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
