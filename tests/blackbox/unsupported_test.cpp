// Resources registered for features this switch does not carry: every SNTP
// resource and the discovery protocol mode answer "Unsupported Feature"
// without reading the request or calling the switch.
#include "harness.h"

using namespace harness;

namespace {

struct UnsupportedCase {
    char const* method;
    char const* uri;
};

constexpr UnsupportedCase kCases[] = {
    { "GET", "/api/v2/mgmt/beacon/mode" },
    { "PUT", "/api/v2/mgmt/beacon/mode" },
    { "POST", "/api/v2/mgmt/sntp/server" },
    { "DELETE", "/api/v2/mgmt/sntp/server" },
    { "PUT", "/api/v2/mgmt/sntp/server-priority" },
    { "GET", "/api/v2/mgmt/sntp/server-priority" },
    { "GET", "/api/v2/mgmt/sntp/server-priority-max" },
    { "PUT", "/api/v2/mgmt/sntp/server-port" },
    { "GET", "/api/v2/mgmt/sntp/server-port" },
    { "PUT", "/api/v2/mgmt/sntp/server-version" },
    { "GET", "/api/v2/mgmt/sntp/server-version" },
    { "GET", "/api/v2/mgmt/sntp/servers-max-supported" },
    { "GET", "/api/v2/mgmt/sntp/server-max-addr-len" },
    { "GET", "/api/v2/mgmt/sntp/server-first" },
    { "GET", "/api/v2/mgmt/sntp/server-next" },
    { "GET", "/api/v2/mgmt/sntp/server-address-type" },
    { "PUT", "/api/v2/mgmt/sntp/client-mode" },
    { "GET", "/api/v2/mgmt/sntp/client-mode" },
    { "GET", "/api/v2/mgmt/sntp/client-supported-mode" },
    { "GET", "/api/v2/mgmt/sntp/active-sntp-server-address-type" },
    { "GET", "/api/v2/mgmt/sntp/active-sntp-server-ip-address" },
    { "GET", "/api/v2/mgmt/sntp/active-sntp-server-stratum" },
    { "GET", "/api/v2/mgmt/sntp/active-sntp-server-reference-id" },
    { "GET", "/api/v2/mgmt/sntp/server-reference-string-length" },
    { "GET", "/api/v2/mgmt/sntp/active-sntp-server-mode" },
    { "GET", "/api/v2/mgmt/sntp/server-current-entries" },
    { "POST", "/api/v2/mgmt/sntp/server-last-attempt-status" },
    { "POST", "/api/v2/mgmt/sntp/server-last-updated-time" },
    { "POST", "/api/v2/mgmt/sntp/server-last-attempt-time" },
    { "POST", "/api/v2/mgmt/sntp/server-num-requests" },
    { "POST", "/api/v2/mgmt/sntp/server-num-failed-requests" },
};

class Unsupported : public CgiTest {};

// GET answers without a line end; every other method with one. The body,
// parsable or not, is never read, and the switch is never called.
TEST_F(Unsupported, EveryRouteAnswersInItsFormWithoutCallingTheSwitch)
{
    for (auto const& c : kCases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.uri);
        clearTrace();
        bool const isGet = std::string(c.method) == "GET";
        Result r = run({ .method = c.method, .uri = c.uri, .body = isGet ? std::nullopt : std::optional<std::string>("{not json") });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, isGet ? getReply(17002, "Unsupported Feature") : setReply(17002, "Unsupported Feature"));
        EXPECT_TRUE(handlerCalls().empty());
    }
}

TEST_F(Unsupported, MethodOutsideTheTableFindsNoRoute)
{
    Result r = run({ .method = "DELETE", .uri = "/api/v2/mgmt/sntp/client-mode" });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

} // namespace
