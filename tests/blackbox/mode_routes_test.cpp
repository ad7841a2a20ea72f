// The on/off switches of the Bonjour and cloud management groups: one family,
// "mode" in, 1 only for the exact string "enable", read back as a mode text.
#include "access_cases.h"

using namespace harness;

namespace {

struct ModeRoute {
    char const* uri;
    char const* group;
    char const* member; // of the GET reply
    char const* calls;  // the calls' common name, before "Set" and "Get"
};

constexpr ModeRoute kRoutes[] = {
    { "/api/v2/mgmt/bonjour/admin-mode", "bonjour", "pMode", "BonjourAdminMode" },
    { "/api/v2/mgmt/bonjour/debug-level1", "bonjour", "pMode", "BonjourDebugLevel1" },
    { "/api/v2/mgmt/bonjour/debug-level2", "bonjour", "pMode", "BonjourDebugLevel2" },
    { "/api/v2/mgmt/cloud-managed/mode", "cloudManaged", "mode", "CloudManagedMode" },
    { "/api/v2/mgmt/cloud-managed/oper-mode", "cloudManaged", "mode", "CloudManagedOperMode" },
};

// Alternating values, so that every row changes what the switch holds; the
// mode reader's own rules are its unit test's.
constexpr std::pair<char const*, int> kBodies[] = {
    { R"({"mode":"enable"})", 1 }, { R"({"mode":"disable"})", 0 }, { R"({"MODE":"enable"} )", 1 }, { "{}", 0 },
};

std::string modeData(ModeRoute const& route, int value)
{
    return std::string("{\"") + route.member + "\":\"" + (value == 1 ? "enable" : "disable") + "\"}";
}

std::string fault(ModeRoute const& route, char const* which, char const* entry)
{
    return std::string("{\"rpcclt_openapi") + route.calls + which + "\":" + entry + "}";
}

class ModeRoutes : public CgiTest {};

TEST_F(ModeRoutes, SetSendsOneOnlyForExactEnableAndTheNextProcessReadsItBack)
{
    for (auto const& route : kRoutes) {
        std::vector<access_cases::RoundTrip> cases;
        for (auto const& [body, sent] : kBodies)
            cases.push_back({ std::nullopt, body, 0, std::to_string(sent), modeData(route, sent) });
        access_cases::expectRoundTrips(route.uri, route.group, route.calls, "0", cases);
    }
}

// Only 1 reads as enabled; failures keep their reply form and drop the group.
TEST_F(ModeRoutes, BadBodiesSwitchValuesAndFailuresReachTheClientInTheirForm)
{
    for (auto const& route : kRoutes) {
        SCOPED_TRACE(route.uri);
        clearTrace();
        for (char const* body : { "", "{", R"({"mode":"enable"} x)", R"({"mode":"enable"}{})" })
            EXPECT_EQ(put(route.uri, body).out, expect::setReply(10003)) << body;
        EXPECT_TRUE(handlerCalls().empty());
        EXPECT_EQ(run({ .uri = route.uri, .faults = fault(route, "Get", R"({"out":[2]})") }).out,
                  expect::getReply(0, route.group, modeData(route, 2)));
        EXPECT_EQ(run({ .uri = route.uri, .faults = fault(route, "Get", "-28") }).out, expect::getReply(17002));
        EXPECT_EQ(run({ .method = "PUT", .uri = route.uri, .body = "{}", .faults = fault(route, "Set", "-22") }).out,
                  expect::setReply(10003));
    }
}

} // namespace
