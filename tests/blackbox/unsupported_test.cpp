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

// One row per handler kind and method; which resources exist is the route
// table's, held against the description by its drift check.
constexpr UnsupportedCase kCases[] = {
    { "PUT", "/api/v2/mgmt/beacon/mode" },      { "POST", "/api/v2/mgmt/sntp/server" },
    { "DELETE", "/api/v2/mgmt/sntp/server" },   { "PUT", "/api/v2/mgmt/sntp/client-mode" },
    { "GET", "/api/v2/mgmt/sntp/client-mode" },
};

class Unsupported : public CgiTest {};

// GET answers without a line end; every other method with one. The body,
// parsable or not, is never read, and the switch is never called.
TEST_F(Unsupported, UnsupportedRoutesAnswerInTheirFormWithoutCallingTheSwitch)
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

} // namespace
